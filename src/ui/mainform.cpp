#include "ui/mainform.h"

#include <algorithm>
#include <exception>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "export/save_command.h"
#include "reports/date_text.h"
#include "settings/scan_settings_from.h"
#include "settings/settings.h"
#include "store/date_value.h"
#include "store/stores.h"
#include "ui/aboutform.h"
#include "ui/configform.h"
#include "ui/help_viewer.h"
#include "ui/images.h"
#include "ui/openform.h"
#include "ui/report_chart.h"
#include "ui/report_views.h"
#include "ui/scan_details_form.h"
#include "ui/settings_binding.h"

namespace vy {

namespace {

const QString kTitlePrefix = QStringLiteral("Vy 3 - ");
const QString kGo = QStringLiteral("Go!");
const QString kStop = QStringLiteral("Stop");
const QString kHomePage = QStringLiteral("http://www.quillmar.example/vy");

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }

double DayValue(const QDate& date)
{
    return EncodeDate(date.year(), date.month(), date.day()).value_or(0.0);
}

void SetTextColor(QWidget& widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget.palette();
    palette.setColor(role, color);
    widget.setPalette(palette);
}

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

QFont LabelFont(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

}  // namespace

// ---- status bar

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(2);
        // File names and progress texts are data, never markup.
        label->setTextFormat(Qt::PlainText);
        const bool centred = i == 2 || i == 4;
        label->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        panels_[i] = label;
    }
    Place();
}

void StatusPanels::SetText(int panel, const QString& text)
{
    if (panel >= 0 && panel < PanelCount)
        panels_[panel]->setText(text);
}

QString StatusPanels::Text(int panel) const
{
    return panel >= 0 && panel < PanelCount ? panels_[panel]->text() : QString();
}

int StatusPanels::PanelWidth(int panel) const { return panel >= 0 && panel < PanelCount ? widths_[panel] : 0; }

QLabel* StatusPanels::Panel(int panel) const { return panel >= 0 && panel < PanelCount ? panels_[panel] : nullptr; }

void StatusPanels::SetPanel3Width(int width)
{
    if (widths_[3] == width)
        return;
    widths_[3] = width;
    Place();
}

void StatusPanels::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place();
}

void StatusPanels::Place()
{
    // Panels stand side by side from the left; a panel wider than what is
    // left is cut at the bar's right edge.
    int x = 0;
    for (int i = 0; i < PanelCount; ++i) {
        const int width = std::max(0, widths_[i]);
        panels_[i]->setGeometry(x, 0, width, height());
        x += width;
    }
}

// ---- construction

TMain::TMain(QWidget* parent) : QMainWindow(parent)
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
    statusColor_ = Status->palette().color(QPalette::WindowText);

    connect(&worker_, &ScanWorker::PhaseChanged, this, [this](const QString& text) { Status->SetText(0, text); });
    connect(&worker_, &ScanWorker::FileChanged, this, [this](const QString& text) { Status->SetText(1, text); });
    connect(&worker_, &ScanWorker::PercentChanged, this, [this](int percent, bool title) {
        // The bar's range is 0 to 100, though the count may pass 100.
        Progress->setValue(std::clamp(percent, 0, 100));
        const QString text = QString::number(percent) + QLatin1Char('%');
        Status->SetText(2, text);
        if (title && ApplicationTitle() != kTitlePrefix + text)
            SetApplicationTitle(kTitlePrefix + text);
    });
    connect(&worker_, &ScanWorker::Finished, this, &TMain::ScanFinished);
}

TMain::~TMain()
{
    // The worker must never outlive the window or its session.
    worker_.RequestStop();
    worker_.WaitForEnd();
    listModel_->ShowTable(nullptr);
}

void TMain::BuildMenus()
{
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    // A checkable entry's handler decides the check mark itself, as for a
    // direct call, so the toolkit's own flip is undone first.
    auto checkable = [this](QAction* a, bool checked, void (TMain::*handler)()) {
        a->setCheckable(true);
        a->setChecked(checked);
        connect(a, &QAction::triggered, this, [this, a, handler](bool now) {
            a->setChecked(!now);
            (this->*handler)();
        });
    };

    MenuFile = menu("MenuFile", QStringLiteral("&File"));
    MenuFileOpen = item(MenuFile, "MenuFileOpen", QStringLiteral("&Open Folder"));
    MenuFileOpen->setIcon(ToolImage(0));
    connect(MenuFileOpen, &QAction::triggered, this, &TMain::MenuFileOpenClick);
    MenuFileSave = item(MenuFile, "MenuFileSave", QStringLiteral("&Save"));
    MenuFileSave->setIcon(ToolImage(1));
    connect(MenuFileSave, &QAction::triggered, this, &TMain::MenuFileSaveClick);
    MenuFile->addSeparator();
    MenuFileExit = item(MenuFile, "MenuFileExit", QStringLiteral("E&xit"));
    MenuFileExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(MenuFileExit, &QAction::triggered, this, &TMain::MenuFileExitClick);

    MenuView = menu("MenuView", QStringLiteral("&View"));
    MenuViewTool = item(MenuView, "MenuViewTool", QStringLiteral("&Toolbar"));
    checkable(MenuViewTool, true, &TMain::MenuViewToolClick);
    MenuViewStatus = item(MenuView, "MenuViewStatus", QStringLiteral("&Status bar"));
    checkable(MenuViewStatus, true, &TMain::MenuViewStatusClick);
    MenuViewChart = item(MenuView, "MenuViewChart", QStringLiteral("&Chart"));
    checkable(MenuViewChart, false, &TMain::MenuViewChartClick);
    MenuViewDetails = item(MenuView, "MenuViewDetails", QStringLiteral("Scan &Details\u2026"));
    connect(MenuViewDetails, &QAction::triggered, this, &TMain::MenuViewDetailsClick);

    MenuRpt = menu("MenuRpt", QStringLiteral("&Report"));
    MenuRptGo = item(MenuRpt, "MenuRptGo", QStringLiteral("Go!"));
    MenuRptGo->setShortcut(QKeySequence(Qt::Key_F9));
    connect(MenuRptGo, &QAction::triggered, this, &TMain::MenuRptGoClick);
    MenuRpt->addSeparator();
    MenuRptUsers = item(MenuRpt, "MenuRptUsers", QStringLiteral("&Users"));
    checkable(MenuRptUsers, true, &TMain::MenuRptUsersClick);
    MenuRptDate = item(MenuRpt, "MenuRptDate", QStringLiteral("&Date/Time"));
    checkable(MenuRptDate, false, &TMain::MenuRptDateClick);

    MenuOpt = menu("MenuOpt", QStringLiteral("&Options"));
    MenuOptCfg = item(MenuOpt, "MenuOptCfg", QStringLiteral("&Configuration"));
    connect(MenuOptCfg, &QAction::triggered, this, &TMain::MenuOptCfgClick);
    MenuOptFont = item(MenuOpt, "MenuOptFont", QStringLiteral("&Font"));
    connect(MenuOptFont, &QAction::triggered, this, &TMain::MenuOptFontClick);
    MenuOpt->addSeparator();
    MenuOptSave = item(MenuOpt, "MenuOptSave", QStringLiteral("&Save Settings on Exit"));
    checkable(MenuOptSave, true, &TMain::MenuOptSaveClick);

    MenuHelp = menu("MenuHelp", QStringLiteral("&?"));
    MenuHelpContents = item(MenuHelp, "MenuHelpContents", QStringLiteral("&Contents"));
    MenuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));
    MenuHelpContents->setIcon(ToolImage(2));
    connect(MenuHelpContents, &QAction::triggered, this, &TMain::MenuHelpContentsClick);
    MenuHelpDemo = item(MenuHelp, "MenuHelpDemo", QStringLiteral("&Demo"));
    connect(MenuHelpDemo, &QAction::triggered, this, &TMain::MenuHelpDemoClick);
    MenuHelpHomePage = item(MenuHelp, "MenuHelpHomePage", QStringLiteral("Quillmar Home &Page"));
    connect(MenuHelpHomePage, &QAction::triggered, this, &TMain::MenuHelpHomePageClick);
    MenuHelp->addSeparator();
    MenuHelpAbout = item(MenuHelp, "MenuHelpAbout", QStringLiteral("&About..."));
    connect(MenuHelpAbout, &QAction::triggered, this, &TMain::MenuHelpAboutClick);

    // Shortcuts work whichever control has the focus.
    for (QAction* a : {MenuFileExit, MenuRptGo, MenuHelpContents})
        a->setShortcutContext(Qt::WindowShortcut);
    addActions({MenuFileExit, MenuRptGo, MenuHelpContents});
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
    ToolOpen = new QToolButton(Tool);
    ToolOpen->setObjectName(QStringLiteral("ToolOpen"));
    ToolOpen->setIcon(ToolImage(0));
    ToolOpen->setAutoRaise(true);
    ToolOpen->setToolTip(QStringLiteral("Open Folder"));
    connect(ToolOpen, &QToolButton::clicked, this, &TMain::ToolOpenClick);
    Tool->addWidget(ToolOpen);
    ToolSave = new QToolButton(Tool);
    ToolSave->setObjectName(QStringLiteral("ToolSave"));
    ToolSave->setIcon(ToolImage(1));
    ToolSave->setAutoRaise(true);
    ToolSave->setToolTip(QStringLiteral("Save"));
    connect(ToolSave, &QToolButton::clicked, this, &TMain::ToolSaveClick);
    Tool->addWidget(ToolSave);
    column->addWidget(Tool);

    PanelDate = new QWidget(central);
    PanelDate->setObjectName(QStringLiteral("PanelDate"));
    PanelDate->setFixedHeight(36);
    BevelDate = new QFrame(PanelDate);
    BevelDate->setObjectName(QStringLiteral("BevelDate"));
    BevelDate->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    BevelDate->setGeometry(0, 0, PanelDate->width(), 2);
    const QString dateFormat = ProcessDateTexts().DateFormat();
    LabelDate1 = new QLabel(QStringLiteral("Initial Date:"), PanelDate);
    LabelDate1->setObjectName(QStringLiteral("LabelDate1"));
    LabelDate1->move(8, 10);
    LabelDate1->adjustSize();
    DateEdit1 = new QDateEdit(QDate::currentDate(), PanelDate);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setCalendarPopup(true);
    DateEdit1->setDisplayFormat(dateFormat);
    DateEdit1->setGeometry(80, 8, 105, 21);
    LabelDate2 = new QLabel(QStringLiteral("Final Date:"), PanelDate);
    LabelDate2->setObjectName(QStringLiteral("LabelDate2"));
    LabelDate2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelDate2->setGeometry(200, 10, 64, 17);
    DateEdit2 = new QDateEdit(QDate::currentDate(), PanelDate);
    DateEdit2->setObjectName(QStringLiteral("DateEdit2"));
    DateEdit2->setCalendarPopup(true);
    DateEdit2->setDisplayFormat(dateFormat);
    DateEdit2->setGeometry(272, 8, 105, 21);
    BtGo = new QPushButton(kGo, PanelDate);
    BtGo->setObjectName(QStringLiteral("BtGo"));
    BtGo->setGeometry(464, 6, 73, 25);
    connect(BtGo, &QPushButton::clicked, this, &TMain::BtGoClick);
    column->addWidget(PanelDate);

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
    SetTextColor(*Tree, QPalette::Text, Qt::black);
    connect(Tree, &QTreeWidget::itemClicked, this, [this] { TreeClick(); });

    PanelRight = new QWidget(Splitter);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    ListSplitter = new QSplitter(Qt::Vertical, PanelRight);
    ListSplitter->setObjectName(QStringLiteral("ListSplitter"));
    ListSplitter->setChildrenCollapsible(false);
    List = new QTreeView(ListSplitter);
    List->setObjectName(QStringLiteral("List"));
    listModel_ = new ReportTableModel(this);
    List->setModel(listModel_);
    List->setRootIsDecorated(false);
    List->setItemsExpandable(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows can be selected for copying; a click, a double click and
    // the arrow keys still select one.
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setIconSize(QSize(16, 16));
    List->setSortingEnabled(false);
    List->header()->setSectionsClickable(true);
    List->header()->setStretchLastSection(false);
    List->header()->setSectionsMovable(false);
    SetTextColor(*List, QPalette::Text, Qt::black);
    connect(List->header(), &QHeaderView::sectionClicked, this, &TMain::ListColumnClick);
    connect(List, &QTreeView::doubleClicked, this, [this] { ListDblClick(); });
    ListCopy = new QAction(QStringLiteral("&Copy"), List);
    ListCopy->setObjectName(QStringLiteral("ListCopy"));
    ListCopy->setShortcut(QKeySequence::Copy);
    ListCopy->setShortcutContext(Qt::WidgetShortcut);
    connect(ListCopy, &QAction::triggered, this, &TMain::ListCopyClick);
    ListCopyTotals = new QAction(QStringLiteral("Copy &Totals"), List);
    ListCopyTotals->setObjectName(QStringLiteral("ListCopyTotals"));
    connect(ListCopyTotals, &QAction::triggered, this, &TMain::ListCopyTotalsClick);
    List->addActions({ListCopy, ListCopyTotals});
    List->setContextMenuPolicy(Qt::ActionsContextMenu);
    // However wide a stored tree, the list keeps a sliver.
    PanelRight->setMinimumWidth(List->minimumSizeHint().width());
    PanelSplit = new QWidget(PanelRight);
    PanelSplit->setObjectName(QStringLiteral("PanelSplit"));
    PanelTotal = new QFrame(PanelRight);
    PanelTotal->setObjectName(QStringLiteral("PanelTotal"));
    PanelTotal->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelTotal->setLineWidth(2);
    PanelTotal->setAutoFillBackground(true);
    PanelTotal->setBackgroundRole(QPalette::Window);
    LabelTotalSel = new QLabel(PanelTotal);
    LabelTotalSel->setObjectName(QStringLiteral("LabelTotalSel"));
    LabelTotalSel->setTextFormat(Qt::PlainText);
    LabelTotalSel->setFont(LabelFont(23));
    SetTextColor(*LabelTotalSel, QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    LabelTotalSel->move(16, 8);
    BevelLine = new QFrame(PanelTotal);
    BevelLine->setObjectName(QStringLiteral("BevelLine"));
    BevelLine->setFrameStyle(QFrame::HLine | QFrame::Plain);
    BevelLine->setLineWidth(1);
    SetTextColor(*BevelLine, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    BevelLine->setGeometry(18, 38, 100, 1);
    BevelLine->hide();
    LabelTotal = new QLabel(PanelTotal);
    LabelTotal->setObjectName(QStringLiteral("LabelTotal"));
    LabelTotal->setTextFormat(Qt::PlainText);
    LabelTotal->setFont(LabelFont(17));
    SetTextColor(*LabelTotal, QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    LabelTotal->move(16, 44);
    Splitter->addWidget(Tree);
    Splitter->addWidget(PanelRight);
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
    column->addWidget(Status);

    for (QWidget* w : std::initializer_list<QWidget*>{PanelDate, PanelRight, PanelTotal, Status, Tree})
        w->installEventFilter(this);
}

// ---- start and end

void TMain::FormCreate()
{
    // The settings step: an error ends this step only; the window opens anyway.
    try {
        PrepareSettings(QCoreApplication::applicationFilePath());
        ApplySettings(*this);
    } catch (const SettingsError& e) {
        ShowError(QString::fromLatin1(e.what()));
    }
    Status->SetText(4, ProcessSettings().LogLanguage);
    const QDate today = QDate::currentDate();
    DateEdit1->setDate(QDate(today.year(), today.month(), 1));
    DateEdit2->setDate(today);
    session_.SortColumn = -1;
    session_.SortAscending = 1;
    session_.DrillIndex = -1;
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
    }
    FormResize();
}

void TMain::closeEvent(QCloseEvent* event)
{
    // The worker must not outlive the window: stop it and wait for its end.
    if (worker_.Alive()) {
        worker_.RequestStop();
        worker_.WaitForEnd();
        BtGo->setText(kGo);
        Progress->hide();
    }
    closing_ = true;
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
    // A stored width is taken as it is; the splitter squeezes what does not fit.
    const int tree = std::clamp(width, 0, QWIDGETSIZE_MAX / 2);
    const int rest = std::max(1, Splitter->width() - tree - Splitter->handleWidth());
    Splitter->setSizes({tree, rest});
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == PanelRight || watched == Tree)
            PlaceRightPanel();
        FormResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMain::PlaceRightPanel()
{
    const int width = PanelRight->width();
    const int listHeight = std::max(0, Tree->height() - PanelSplitHeight - TotalPanelHeight);
    ListSplitter->setGeometry(0, 0, width, listHeight);
    PanelSplit->setGeometry(0, listHeight, width, PanelSplitHeight);
    const int totalTop = listHeight + PanelSplitHeight;
    PanelTotal->setGeometry(0, totalTop, width, std::max(0, PanelRight->height() - totalTop));
}

void TMain::FormResize()
{
    // The Go button follows the right edge, but never covers the final date.
    const int x = PanelDate->width() - BtGo->width() - 2;
    if (DateEdit2->x() + DateEdit2->width() + 4 < x)
        BtGo->move(x, BtGo->y());
    BevelDate->setGeometry(0, 0, PanelDate->width(), 2);
    Status->SetPanel3Width(Status->width() - Status->PanelWidth(0) - Status->PanelWidth(1) - Status->PanelWidth(2) -
                           50);
    PlaceRightPanel();
    BevelLine->resize(PanelTotal->width() - 2 * BevelLine->x(), 1);
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
    const QString title = kTitlePrefix + ProcessSettings().LogDir;
    setWindowTitle(title);
    if (applicationToo)
        SetApplicationTitle(title);
}

// ---- the hooks' ordinary behaviour

MessageResult TMain::ShowMessage(MessageKind kind, const QString& title, const QString& text, MessageButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == MessageKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == MessageKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, title, text,
                    buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    this);
    // Messages carry file names and texts from the logs.
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

bool TMain::ChooseSaveFile(QString& fileName, int& filterIndex)
{
    if (!saveDialog_) {
        // One dialog for the whole run, so it keeps the last name and filter.
        saveDialog_ = new QFileDialog(this, SaveDialogTitle);
        saveDialog_->setObjectName(QStringLiteral("SaveDialog"));
        saveDialog_->setOption(QFileDialog::DontUseNativeDialog, true);
        saveDialog_->setOption(QFileDialog::DontConfirmOverwrite, true);
        saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog_->setFileMode(QFileDialog::AnyFile);
        const QStringList filters = SaveDialogNameFilters();
        saveDialog_->setNameFilters(filters);
        // The dialog squeezes runs of blanks out of the filter texts; its list
        // shows them as written, and the choice is read back by that text.
        if (auto* types = saveDialog_->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            types && types->count() == filters.size()) {
            for (int i = 0; i < filters.size(); ++i)
                types->setItemText(i, filters[i]);
        }
        if (!filters.isEmpty())
            saveDialog_->selectNameFilter(filters.front());
    }
    if (saveDialog_->exec() != QDialog::Accepted)
        return false;
    const QStringList files = saveDialog_->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty())
        return false;
    fileName = files.front();
    filterIndex = SaveFilterIndexOf(saveDialog_->selectedNameFilter());
    return true;
}

bool TMain::ChooseFont(QFont& font, QColor&)
{
    // The toolkit's font dialog has no colour; the colour stays as it is.
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, this);
    if (!ok)
        return false;
    font = chosen;
    return true;
}

void TMain::ShowOpenFolder()
{
    if (openFolder_)
        openFolder_->exec();
}

void TMain::ShowConfig()
{
    if (config_)
        config_->exec();
}

void TMain::ShowAbout()
{
    if (about_)
        about_->exec();
}

void TMain::ShowHelp(const QString& file)
{
    if (!help_) {
        help_ = new HelpViewer(this);
        help_->setObjectName(QStringLiteral("HelpViewer"));
    }
    if (help_->Open(file)) {
        help_->show();
        help_->raise();
        help_->activateWindow();
    }
}

void TMain::StartProgram(const QString& program, const QStringList& arguments)
{
    QProcess::startDetached(program, arguments);
}

void TMain::ShowError(const QString& text)
{
    ShowMessage(MessageKind::Error, QStringLiteral("Error"), text);
}

// ---- commands of the window

void TMain::MenuFileOpenClick()
{
    if (ScanRunning() || worker_.Alive())
        return;
    ShowOpenFolder();
    // Also after Cancel: "Set Default" may have changed the folder.
    SetTitles(true);
}

void TMain::ToolOpenClick() { MenuFileOpenClick(); }

void TMain::MenuFileExitClick()
{
    if (ScanRunning()) {
        ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), QStringLiteral("Stop the process before exit"));
        return;
    }
    close();
}

void TMain::MenuViewToolClick()
{
    if (MenuViewTool->isChecked()) {
        MenuViewTool->setChecked(false);
        SetToolHeight(0);
    } else {
        MenuViewTool->setChecked(true);
        SetToolHeight(ToolBarHeight);
    }
    centralWidget()->layout()->activate();
    FormResize();
}

void TMain::MenuViewStatusClick()
{
    if (MenuViewStatus->isChecked()) {
        MenuViewStatus->setChecked(false);
        SetStatusHeight(0);
    } else {
        MenuViewStatus->setChecked(true);
        SetStatusHeight(StatusBarHeight);
    }
    centralWidget()->layout()->activate();
    FormResize();
}

void TMain::MenuViewChartClick()
{
    SetChartShown(!MenuViewChart->isChecked());
}

bool TMain::ChartShown() const { return MenuViewChart->isChecked(); }

void TMain::SetChartShown(bool shown)
{
    MenuViewChart->setChecked(shown);
    if (shown && !Chart) {
        // Made on first use: a hidden chart costs nothing.
        Chart = new ReportChart(ListSplitter);
        Chart->setObjectName(QStringLiteral("Chart"));
        ListSplitter->addWidget(Chart);
        // Three fifths for the list, also before the window is laid out.
        ListSplitter->setStretchFactor(0, 3);
        ListSplitter->setStretchFactor(1, 2);
        const int height = ListSplitter->height();
        ListSplitter->setSizes({height * 3 / 5, height - height * 3 / 5});
        connect(Chart, &ReportChart::MeasureChanged, this, &TMain::UpdateChart);
        connect(Chart, &ReportChart::SaveRequested, this, &TMain::SaveChartClick);
    }
    if (Chart)
        Chart->setVisible(shown);
    UpdateChart();
}

void TMain::UpdateChart()
{
    if (!Chart || !ChartShown())
        return;
    // While a worker owns the session the chart shows nothing, as the list.
    Chart->ShowTable(worker_.Alive() ? nullptr : listModel_->Shown(), session_.ReportKind);
}

bool TMain::ChooseChartFile(QString& fileName)
{
    fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"), fileName,
                                            QStringLiteral("PNG Images (*.png)"));
    return !fileName.isEmpty();
}

void TMain::SaveChartClick()
{
    if (!Chart)
        return;
    QString fileName;
    if (!ChooseChartFile(fileName))
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    if (!Chart->SaveImage(fileName))
        ShowError(QStringLiteral("File ") + QDir::toNativeSeparators(fileName) + QStringLiteral(" could not be written."));
}

int TMain::ListRow() const
{
    // The row double-clicked or moved to is the current one; with several
    // selected and none current, the first of them.
    const QModelIndex current = List->currentIndex();
    if (current.isValid() && List->selectionModel()->isRowSelected(current.row()))
        return current.row();
    QModelIndexList rows = List->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        return std::min_element(rows.begin(), rows.end())->row();
    return current.isValid() ? current.row() : -1;
}

void TMain::ListCopyClick()
{
    if (worker_.Alive())
        return;
    std::vector<int> rows;
    for (const QModelIndex& index : List->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(CopiedRows(*listModel_, rows));
}

void TMain::ListCopyTotalsClick()
{
    if (!LabelTotal->text().isEmpty())
        QGuiApplication::clipboard()->setText(LabelTotal->text());
}

void TMain::MenuOptCfgClick()
{
    if (ScanRunning() || worker_.Alive())
        return;
    ShowConfig();
}

void TMain::MenuOptFontClick()
{
    if (ScanRunning() || worker_.Alive())
        return;
    QFont font = lastFont_;
    QColor color = statusColor_;
    if (!ChooseFont(font, color))
        return;
    lastFont_ = font;
    Tree->setFont(font);
    SetTextColor(*Tree, QPalette::Text, Qt::black);
    Tree->viewport()->update();
    List->setFont(font);
    SetTextColor(*List, QPalette::Text, Qt::black);
    ApplyColumnWidths(*List, *listModel_);
    List->viewport()->update();
    Status->setFont(font);
    statusColor_ = color;
    SetTextColor(*Status, QPalette::WindowText, color);
    Settings& s = ProcessSettings();
    s.FontName = font.family();
    s.FontSize = font.pointSize();
    s.FontStyle = FontStyleText(font);
}

void TMain::MenuOptSaveClick() { MenuOptSave->setChecked(!MenuOptSave->isChecked()); }

void TMain::MenuHelpContentsClick()
{
    const QString file = ProcessSettings().InstallDir + QDir::separator() + QStringLiteral("VY.HLP");
    // A missing help file opens nothing and says nothing.
    if (!QFileInfo(file).isFile())
        return;
    ShowHelp(file);
}

void TMain::MenuHelpDemoClick()
{
    if (ScanRunning() || worker_.Alive())
        return;
    DateEdit1->setDate(QDate(1998, 10, 1));
    DateEdit2->setDate(QDate(1998, 10, 31));
    Settings& s = ProcessSettings();
    s.LogDir = DemoLogDir(s.InstallDir);
    setWindowTitle(kTitlePrefix + s.LogDir);
    s.LogLanguage = QStringLiteral("EN");
    Status->SetText(4, s.LogLanguage);
    s.NEvent = QStringLiteral("20050");
    StartScan(true);
}

void TMain::MenuHelpHomePageClick()
{
    const QString command = ProcessSettings().BrowserCommand;
    if (command.isEmpty()) {
        ShowError(QStringLiteral("Browser not found"));
        return;
    }
    QStringList parts = QProcess::splitCommand(command + QLatin1Char(' ') + kHomePage);
    if (parts.isEmpty())
        return;
    const QString program = parts.takeFirst();
    StartProgram(program, parts);
}

void TMain::MenuHelpAboutClick() { ShowAbout(); }

// ---- the scan

void TMain::BtGoClick()
{
    if (BtGo->text() == kGo) {
        // A stopped scan still finishing: no second worker until it ends.
        if (worker_.Alive())
            return;
        StartScan(false);
        return;
    }
    worker_.RequestStop();
    BtGo->setText(kGo);
    Progress->hide();
}

void TMain::MenuViewDetailsClick()
{
    if (details_ == nullptr)
        details_ = new TScanDetails(this);
    details_->ShowDetails(worker_.LastOutcome().Unread, worker_.LastOutcome().EventsNotListed);
    details_->show();
    details_->raise();
}

void TMain::MenuRptGoClick()
{
    if (ScanRunning())
        return;
    BtGoClick();
}

void TMain::StartScan(bool demo)
{
    worker_.ClearStop();
    Status->SetText(3, QString());  // the last scan's note
    BtGo->setText(kStop);
    Progress->setValue(0);
    Progress->show();

    // From here until the worker ends the session is the worker's: the list
    // shows a copy of the columns only.
    listModel_->BeginChange();
    if (demo)
        ClearForDemo(session_);
    else
        ClearForScan(session_);
    listModel_->ShowColumnsOnly(session_.Table.Columns);
    listModel_->EndChange();
    ApplyColumnWidths(*List, *listModel_);
    MirrorTree();
    MirrorTableAndLabels();
    UpdateChart();
    FormResize();

    const ScanSettings scan =
        ScanSettingsFrom(ProcessSettings(), DayValue(DateEdit1->date()), DayValue(DateEdit2->date()));
    session_.InitialDate = scan.InitialDate;
    session_.FinalDate = scan.FinalDate;
    ProcessDateTexts().StripSeconds();
    worker_.Start(scan, session_, ProcessStores(), ProcessDateTexts());
}

void TMain::ScanFinished()
{
    if (closing_)
        return;
    const ScanWorker::Outcome outcome = worker_.LastOutcome();
    listModel_->ShowTable(&session_.Table);
    ApplyColumnWidths(*List, *listModel_);
    MirrorTree();
    MirrorTableAndLabels();
    MirrorReportChecks();
    UpdateChart();

    SetApplicationTitle(kTitlePrefix + ProcessSettings().LogDir);
    Progress->hide();
    for (int panel = 0; panel < 3; ++panel)
        Status->SetText(panel, QString());
    Status->SetText(3, ScanDetailsSummary(outcome.Unread, outcome.EventsNotListed));
    if (details_ != nullptr)
        details_->ShowDetails(outcome.Unread, outcome.EventsNotListed);
    FormResize();
    BtGo->setText(kGo);
    if (outcome.Error)
        ShowError(Latin1(*outcome.Error));
    for (const std::string& warning : outcome.Warnings)
        ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), Latin1(warning));
}

// ---- reports

template <typename Command>
void TMain::RunReportCommand(bool treeChanged, Command command)
{
    // The stores and the session belong to a running worker.
    if (worker_.Alive())
        return;
    SortError error;
    listModel_->BeginChange();
    try {
        error = command();
    } catch (const std::exception& e) {
        error = std::string(e.what());
    }
    listModel_->ShowTable(&session_.Table);
    listModel_->EndChange();
    ApplyColumnWidths(*List, *listModel_);
    if (treeChanged)
        MirrorTree();
    MirrorTableAndLabels();
    MirrorReportChecks();
    UpdateChart();
    if (error)
        ShowError(Latin1(*error));
}

void TMain::MenuRptUsersClick()
{
    RunReportCommand(true, [this] {
        return vy::MenuRptUsersClick(session_, ProcessStores(), worker_.StopRequested(), ProcessDateTexts());
    });
    MirrorReportChecks();
}

void TMain::MenuRptDateClick()
{
    RunReportCommand(true, [this] { return vy::MenuRptDateClick(session_, ProcessStores(), ProcessDateTexts()); });
    MirrorReportChecks();
}

void TMain::TreeClick()
{
    const QList<QTreeWidgetItem*> selected = Tree->selectedItems();
    const int node = selected.isEmpty() ? NodeOfItem(Tree->currentItem()) : NodeOfItem(selected.front());
    RunReportCommand(false, [this, node] { return vy::TreeClick(session_, ProcessStores(), node, ProcessDateTexts()); });
}

void TMain::ListDblClick()
{
    // Not even the current node may be read while a worker owns the session.
    if (worker_.Alive())
        return;
    const int row = ListRow();
    const int opened = session_.CurrentNode;
    RunReportCommand(false, [this, row] { return vy::ListDblClick(session_, ProcessStores(), row, ProcessDateTexts()); });
    // The drill-down opens the node it came from one level in the tree.
    if (opened >= 0 && opened < session_.Tree.Count() && session_.Tree.Node(opened).Expanded &&
        static_cast<std::size_t>(opened) < treeItems_.size() && treeItems_[static_cast<std::size_t>(opened)])
        treeItems_[static_cast<std::size_t>(opened)]->setExpanded(true);
}

void TMain::ListColumnClick(int column)
{
    RunReportCommand(false, [this, column] { return vy::ListColumnClick(session_, column, ProcessDateTexts()); });
}

void TMain::MenuFileSaveClick()
{
    if (ScanRunning() || worker_.Alive() || session_.Table.Rows.empty())
        return;
    QString typed;
    int filterIndex = HtmlFilterIndex;
    if (!ChooseSaveFile(typed, filterIndex))
        return;
    const SaveChoice choice = ChooseSaveTarget(filterIndex, typed);
    if (QFileInfo::exists(choice.FileName) &&
        ShowMessage(MessageKind::Warning, ReplaceQuestionTitle, ReplaceQuestion(choice.FileName),
                    MessageButtons::OkCancel) != MessageResult::Ok)
        return;
    HtmlHeadings headings;
    headings.Totals = session_.LabelTotal;
    headings.Selection = session_.LabelTotalSel;
    headings.FinalDate = Bytes(DateEdit2->text());
    headings.InitialDate = Bytes(DateEdit1->text());
    headings.Created = ProcessDateTexts().FormatDateTime(CurrentDateTimeValue());
    if (const auto error = WriteSaveChoice(choice, session_.Table, headings))
        ShowError(*error);
}

void TMain::ToolSaveClick() { MenuFileSaveClick(); }

// ---- mirroring the session into the widgets

void TMain::MirrorTree() { treeItems_ = FillTreeWidget(*Tree, session_.Tree); }

void TMain::SetLabel(QLabel* label, const std::string& text)
{
    label->setText(Latin1(text));
    label->adjustSize();
}

void TMain::MirrorTableAndLabels()
{
    SetLabel(LabelTotalSel, session_.LabelTotalSel);
    SetLabel(LabelTotal, session_.LabelTotal);
    BevelLine->setVisible(session_.BevelVisible);
    List->viewport()->update();
}

void TMain::MirrorReportChecks()
{
    MenuRptUsers->setChecked(session_.UsersChecked);
    MenuRptDate->setChecked(session_.DateChecked);
}

}  // namespace vy
