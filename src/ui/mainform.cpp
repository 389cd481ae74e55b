#include "ui/mainform.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "reports/date_text.h"
#include "settings/settings.h"
#include "ui/aboutform.h"
#include "ui/configform.h"
#include "ui/date_preset_button.h"
#include "ui/help_viewer.h"
#include "ui/images.h"
#include "ui/main_parts.h"
#include "ui/openform.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"
#include "ui/settings_binding.h"

namespace vy {

using namespace mainparts;

namespace {


// The window's faces are those of the system it was first made for; where
// they are missing, the nearest common faces of the same width stand in.
void AddFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList sansFaces = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                   QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), QStringList{QStringLiteral("Microsoft Sans Serif")} + sansFaces);
    QFont::insertSubstitutions(QStringLiteral("Arial"), sansFaces);
}

QToolButton* ToolButton(QToolBar* bar, const char* name, int image, const QString& tip)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setIcon(ToolImage(image));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    bar->addWidget(button);
    return button;
}


QDateEdit* DateField(const char* name, QWidget* parent)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(ProcessDateTexts().DateFormat());
    return edit;
}


}  // namespace

// ---- construction

TMain::TMain(QWidget* parent) : QMainWindow(parent), session_(std::make_unique<ReportSession>())
{
    setObjectName(QStringLiteral("Main"));
    AddFontSubstitutes();
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(13);
    setFont(windowFont);
    setWindowIcon(WindowImage());
    setWindowIconText(ApplicationTitle());
    resize(579, 433);

    lastFont_ = QFont(QStringLiteral("MS Sans Serif"), 8);
    BuildMenus();
    BuildControls();
    BuildRecentFolders();
    BuildHistory();
    statusColor_ = Status->palette().color(QPalette::WindowText);
}

TMain::~TMain()
{
    // No task outlives the window or its session.
    if (auto back = task_.Abandon())
        session_ = std::move(back);
    listModel_->ShowTable(nullptr);
}

void TMain::BuildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    Tool = new QToolBar(central);
    Tool->setObjectName(QStringLiteral("Tool"));
    Tool->setMovable(false);
    Tool->setFloatable(false);
    Tool->setIconSize(QSize(16, 16));
    Tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Tool->setContentsMargins(1, 1, 1, 1);
    Tool->setFixedHeight(ToolBarHeight);
    ToolOpen = ToolButton(Tool, "ToolOpen", 0, QStringLiteral("Open Folder (Ctrl+O)"));
    connect(ToolOpen, &QToolButton::clicked, this, &TMain::ToolOpenClick);
    ToolSave = ToolButton(Tool, "ToolSave", 1, QStringLiteral("Save (Ctrl+S)"));
    connect(ToolSave, &QToolButton::clicked, this, &TMain::ToolSaveClick);
    column->addWidget(Tool);
    column->addWidget(BuildDateStrip());

    Splitter = new QSplitter(Qt::Horizontal, central);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(4);
    Splitter->setChildrenCollapsible(false);
    Tree = new QTreeWidget(Splitter);
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    Tree->setColumnCount(1);
    Tree->setIndentation(19);
    Tree->setIconSize(QSize(16, 16));
    Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree->setSortingEnabled(false);
    Tree->setUniformRowHeights(true);
    connect(Tree, &QTreeWidget::itemClicked, this, [this] { TreeClick(); });
    // The keys that move the current item show its table as a click does;
    // a mouse press moves it too, and its click follows.
    connect(Tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !fillingTree_ && QGuiApplication::mouseButtons() == Qt::NoButton)
            TreeClick();
    });
    Splitter->addWidget(Tree);
    Splitter->addWidget(BuildRightPanel());
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    SetTreeWidth(treeWidth_);
    connect(Splitter, &QSplitter::splitterMoved, this, [this](int position) { treeWidth_ = position; });
    column->addWidget(Splitter, 1);

    Progress = new QProgressBar(central);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 100);
    Progress->setTextVisible(false);
    Progress->setFixedHeight(19);
    Progress->hide();
    column->addWidget(Progress);

    Status = new StatusPanels(central);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setFixedHeight(StatusBarHeight);
    connect(Status, &StatusPanels::OfferClicked, this, &TMain::TakeOffer);
    column->addWidget(Status);

    for (QWidget* w : std::initializer_list<QWidget*>{Status, List, Tree->viewport()})
        w->installEventFilter(this);
    KeepPanesUsable();
}

QWidget* TMain::BuildDateStrip()
{
    // A thin line on top, then the two dates and, at the right edge, Go.
    PanelDate = new QWidget(centralWidget());
    PanelDate->setObjectName(QStringLiteral("PanelDate"));
    auto* strip = new QVBoxLayout(PanelDate);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    BevelDate = Line("BevelDate", PanelDate, QFrame::Sunken);
    strip->addWidget(BevelDate);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 4, 2, 3);
    row->setSpacing(6);
    LabelDate1 = NamedLabel("LabelDate1", PanelDate);
    LabelDate1->setText(QStringLiteral("Initial Date:"));
    DateEdit1 = DateField("DateEdit1", PanelDate);
    LabelDate2 = NamedLabel("LabelDate2", PanelDate);
    LabelDate2->setText(QStringLiteral("Final Date:"));
    LabelDate2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DateEdit2 = DateField("DateEdit2", PanelDate);
    LabelDate1->setBuddy(DateEdit1);
    LabelDate2->setBuddy(DateEdit2);
    BtGo = new QPushButton(GoCaption, PanelDate);
    BtGo->setObjectName(QStringLiteral("BtGo"));
    BtGo->setToolTip(QStringLiteral("Go or Stop (F5)"));
    BtGo->setMinimumWidth(73);
    connect(BtGo, &QPushButton::clicked, this, &TMain::BtGoClick);
    row->addWidget(LabelDate1);
    row->addWidget(DateEdit1);
    row->addSpacing(15);
    row->addWidget(LabelDate2);
    row->addWidget(DateEdit2);
    DatePresets = new DatePresetButton(*DateEdit1, *DateEdit2, PanelDate);
    connect(this, &TMain::ScanEnded, DatePresets,
            [this] { DatePresets->SetSpan(lastScan_.Result.ConnectionSpan, ProcessSettings().LogDir); });
    row->addWidget(DatePresets);
    // The button follows the right edge, never over the final date.
    row->addStretch(1);
    row->addSpacing(30);
    row->addWidget(BtGo);
    strip->addLayout(row);
    return PanelDate;
}

// ---- start and end

void TMain::FormCreate()
{
    // The settings step: an error ends this step only; the window opens anyway.
    try {
        const bool firstRun = PrepareSettings(QCoreApplication::applicationFilePath());
        ApplySettings(*this, firstRun);
    } catch (const SettingsError& e) {
        ShowError(QString::fromLatin1(e.what()));
    }
    KeepPanesUsable();
    Status->SetText(4, ProcessSettings().LogLanguage);
    const QDate today = QDate::currentDate();
    DateEdit1->setDate(QDate(today.year(), today.month(), 1));
    DateEdit2->setDate(today);
    session_->SortColumn = -1;
    session_->SortAscending = 1;
    session_->DrillIndex = -1;
}

void TMain::CreateDialogs()
{
    // In this order: the Open Folder dialog reads the settings loaded above.
    if (!openFolder_)
        openFolder_ = new TOpenFolder(this);
    if (!config_)
        config_ = new TConfig(this);
    if (!about_)
        about_ = new TAbout(this);
}

void TMain::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    if (!MenuOptSave->isChecked())
        return;
    try {
        CollectSettings(*this);
    } catch (const SettingsError& e) {
        ShowError(QString::fromLatin1(e.what()));
    }
}

void TMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        SetTitles(true);
        // Only now is the real frame known: held within the screen again
        // where it reaches beyond.
        QTimer::singleShot(0, this, [this] {
            const QScreen* at = screen();
            if (!at || at->availableGeometry().contains(frameGeometry()))
                return;
            const QRect held = RestoredGeometry(QRect(pos(), size()), minimumSizeHint(), FrameMargins(*this));
            move(held.topLeft());
            resize(held.size());
        });
    }
    FormResize();
}

void TMain::closeEvent(QCloseEvent* event)
{
    // No task outlives the window: it is asked to stop, the window goes at
    // once, and the session is waited for with the events still served
    // (what the task posts, the dialogs' repaints), though no input.
    closing_ = true;
    scanWaiting_ = false;
    queuedClick_ = nullptr;
    if (task_.Running()) {
        task_.RequestStop();
        hide();
        QEventLoop wait;
        connect(&task_, &SessionTask::Ended, &wait, &QEventLoop::quit);
        if (task_.Running())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        BtGo->setText(GoCaption);
        Progress->hide();
        Status->SetText(1, QString());
        unsetCursor();
    }
    FormDestroy();
    if (help_)
        help_->close();
    event->accept();
}

// ---- state of the bars and panes

bool TMain::ScanRunning() const { return !Progress->isHidden(); }

int TMain::ToolHeight() const { return toolHeight_; }
int TMain::StatusHeight() const { return statusHeight_; }

void TMain::SetToolHeight(int height)
{
    toolHeight_ = height;
    Tool->setFixedHeight(height);
}

void TMain::SetStatusHeight(int height)
{
    statusHeight_ = height;
    Status->setFixedHeight(height);
}

int TMain::TreeWidth() const
{
    const QList<int> sizes = Splitter->sizes();
    if (isVisible() && !sizes.isEmpty())
        return sizes.front();
    return treeWidth_;
}

void TMain::SetTreeWidth(int width)
{
    treeWidth_ = width;
    // A stored width is taken as it is; the splitter squeezes what does not
    // fit, down to what each pane keeps.
    const int tree = std::clamp(width, 0, QWIDGETSIZE_MAX / 2);
    const int rest = std::max(1, Splitter->width() - tree - Splitter->handleWidth());
    Splitter->setSizes({tree, rest});
}

void TMain::KeepPanesUsable()
{
    // However wide a stored or dragged tree, the list keeps room for the
    // first two columns of a table, and the tree for a short name.
    const double scale = ColumnScale(List->font());
    PanelRight->setMinimumWidth(ScaledColumnWidth(220, scale) + List->verticalScrollBar()->sizeHint().width() +
                                2 * List->frameWidth());
    Tree->setMinimumWidth(ScaledColumnWidth(60, ColumnScale(Tree->font())));
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Status && event->type() == QEvent::Resize)
        FormResize();
    if (watched == List && event->type() == QEvent::KeyPress) {
        // Enter opens the current row, as a double click does.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier &&
            List->currentIndex().isValid()) {
            ListDblClick();
            return true;
        }
    }
    if (watched == Tree->viewport() && event->type() == QEvent::ToolTip)
        return ShowTreeTip(static_cast<QHelpEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

void TMain::FormResize()
{
    // The layouts place the rest; the status bar's fourth panel takes what
    // the others leave.
    Status->SetPanel3Width(Status->width() - Status->PanelWidth(0) - Status->PanelWidth(1) - Status->PanelWidth(2) -
                           50);
    List->viewport()->update();
}

// ---- titles

namespace {
QString& StoredApplicationTitle()
{
    static QString title;
    return title;
}
}  // namespace

QString ApplicationTitle() { return StoredApplicationTitle(); }

void SetApplicationTitle(const QString& title) { StoredApplicationTitle() = title; }

// Not the toolkit's application display name: window systems append that to
// every window title. The icon text is what task bars show for the window.
void TMain::SetApplicationTitle(const QString& title)
{
    vy::SetApplicationTitle(title);
    setWindowIconText(title);
}

void TMain::SetTitles(bool applicationToo)
{
    const QString title = TitlePrefix + ProcessSettings().LogDir;
    setWindowTitle(title);
    if (applicationToo)
        SetApplicationTitle(title);
}

}  // namespace vy
