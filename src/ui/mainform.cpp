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
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "export/save_command.h"
#include "reports/date_text.h"
#include "reports/value_format.h"
#include "settings/scan_settings_from.h"
#include "settings/settings.h"
#include "store/date_value.h"
#include "store/latin1_text.h"
#include "store/stores.h"
#include "ui/aboutform.h"
#include "ui/configform.h"
#include "ui/help_viewer.h"
#include "ui/images.h"
#include "ui/openform.h"
#include "ui/report_views.h"
#include "ui/scan_details_form.h"
#include "ui/settings_binding.h"

namespace vy {

namespace {

const QString kTitlePrefix = QStringLiteral("Vy 3 - ");
const QString kGo = QStringLiteral("Go!");
const QString kStop = QStringLiteral("Stop");
const QString kHomePage = QStringLiteral("http://www.quillmar.example/vy");
const char* const kMeasureNames[] = {"Time", "Send", "Receive"};
const QString kBuilding = QStringLiteral("Building the table\u2026");
const QString kSorting = QStringLiteral("Sorting\u2026");

// The work of a command that reads the whole store grows with it.
std::size_t StoredRecords(const Stores& stores) { return static_cast<std::size_t>(stores.Connections.Count()); }


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

// The menu bar as one table: the menus, then their entries in order.
struct MenuOfBar {
    QMenu* TMain::*Menu;
    const char* Name;
    const char* Caption;
};

const MenuOfBar kMenus[] = {
    {&TMain::MenuFile, "MenuFile", "&File"},     {&TMain::MenuView, "MenuView", "&View"},
    {&TMain::MenuRpt, "MenuRpt", "&Report"},     {&TMain::MenuOpt, "MenuOpt", "&Options"},
    {&TMain::MenuHelp, "MenuHelp", "&?"},
};

enum Check { NoCheck, Unchecked, Checked };

struct MenuEntry {
    int Menu;                  // index into kMenus
    QAction* TMain::*Action;   // nullptr: a separator line
    const char* Name;
    const char* Caption;
    QKeyCombination Shortcut;  // kNone: none
    int Image;                 // of the toolbar's images; -1 none
    Check Mark;                // whether, and how, it starts checked
    void (TMain::*Handler)();
};

constexpr QKeyCombination kNone = QKeyCombination::fromCombined(0);

const MenuEntry kEntries[] = {
    {0, &TMain::MenuFileOpen, "MenuFileOpen", "&Open Folder", Qt::CTRL | Qt::Key_O, 0, NoCheck,
     &TMain::MenuFileOpenClick},
    {0, &TMain::MenuFileSave, "MenuFileSave", "&Save", Qt::CTRL | Qt::Key_S, 1, NoCheck, &TMain::MenuFileSaveClick},
    {0, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {0, &TMain::MenuFileExit, "MenuFileExit", "E&xit", Qt::ALT | Qt::Key_F4, -1, NoCheck, &TMain::MenuFileExitClick},
    {1, &TMain::MenuViewTool, "MenuViewTool", "&Toolbar", kNone, -1, Checked, &TMain::MenuViewToolClick},
    {1, &TMain::MenuViewStatus, "MenuViewStatus", "&Status bar", kNone, -1, Checked, &TMain::MenuViewStatusClick},
    {1, &TMain::MenuViewChart, "MenuViewChart", "&Chart", kNone, -1, Unchecked, &TMain::MenuViewChartClick},
    {1, &TMain::MenuViewDetails, "MenuViewDetails", "Scan &Details\u2026", kNone, -1, NoCheck,
     &TMain::MenuViewDetailsClick},
    {2, &TMain::MenuRptGo, "MenuRptGo", "Go!", Qt::Key_F9, -1, NoCheck, &TMain::MenuRptGoClick},
    {2, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {2, &TMain::MenuRptUsers, "MenuRptUsers", "&Users", kNone, -1, Checked, &TMain::MenuRptUsersClick},
    {2, &TMain::MenuRptDate, "MenuRptDate", "&Date/Time", kNone, -1, Unchecked, &TMain::MenuRptDateClick},
    {3, &TMain::MenuOptCfg, "MenuOptCfg", "&Configuration", kNone, -1, NoCheck, &TMain::MenuOptCfgClick},
    {3, &TMain::MenuOptFont, "MenuOptFont", "&Font", kNone, -1, NoCheck, &TMain::MenuOptFontClick},
    {3, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {3, &TMain::MenuOptSave, "MenuOptSave", "&Save Settings on Exit", kNone, -1, Checked, &TMain::MenuOptSaveClick},
    {4, &TMain::MenuHelpContents, "MenuHelpContents", "&Contents", Qt::Key_F1, 2, NoCheck,
     &TMain::MenuHelpContentsClick},
    {4, &TMain::MenuHelpDemo, "MenuHelpDemo", "&Demo", kNone, -1, NoCheck, &TMain::MenuHelpDemoClick},
    {4, &TMain::MenuHelpHomePage, "MenuHelpHomePage", "Quillmar Home &Page", kNone, -1, NoCheck,
     &TMain::MenuHelpHomePageClick},
    {4, nullptr, nullptr, nullptr, kNone, -1, NoCheck, nullptr},
    {4, &TMain::MenuHelpAbout, "MenuHelpAbout", "&About...", kNone, -1, NoCheck, &TMain::MenuHelpAboutClick},
};

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

QLabel* NamedLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // Texts from logs, file names and settings are data, never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QDateEdit* DateField(const char* name, QWidget* parent)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(ProcessDateTexts().DateFormat());
    return edit;
}

QFrame* Line(const char* name, QWidget* parent, QFrame::Shadow shadow)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameStyle(QFrame::HLine | shadow);
    return line;
}

}  // namespace

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
        lastPercent_ = percent;
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
    reports_.WaitForEnd();
    listModel_->ShowTable(nullptr);
}

void TMain::BuildMenus()
{
    for (const MenuOfBar& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(QLatin1String(m.Caption));
        menu->setObjectName(QLatin1String(m.Name));
        this->*m.Menu = menu;
    }
    for (const MenuEntry& e : kEntries) {
        QMenu* menu = this->*kMenus[e.Menu].Menu;
        if (!e.Action) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(e.Caption));
        a->setObjectName(QLatin1String(e.Name));
        this->*e.Action = a;
        if (e.Image >= 0)
            a->setIcon(ToolImage(e.Image));
        if (e.Shortcut.toCombined() != 0) {
            a->setShortcut(QKeySequence(e.Shortcut));
            // Shortcuts work whichever control has the focus.
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        }
        const auto handler = e.Handler;
        if (e.Mark == NoCheck) {
            connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
            continue;
        }
        // A checkable entry's handler decides the check mark itself, as for
        // a direct call, so the toolkit's own flip is undone first.
        a->setCheckable(true);
        a->setChecked(e.Mark == Checked);
        connect(a, &QAction::triggered, this, [this, a, handler](bool now) {
            a->setChecked(!now);
            (this->*handler)();
        });
    }
    // F5 starts a scan or stops the running one, as the Go button does.
    GoOrStop = new QAction(QStringLiteral("Go/Stop"), this);
    GoOrStop->setObjectName(QStringLiteral("GoOrStop"));
    GoOrStop->setShortcut(QKeySequence(Qt::Key_F5));
    GoOrStop->setShortcutContext(Qt::WindowShortcut);
    connect(GoOrStop, &QAction::triggered, this, &TMain::BtGoClick);
    addAction(GoOrStop);
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
    SetTextColor(*Tree, QPalette::Text, Qt::black);
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
    BtGo = new QPushButton(kGo, PanelDate);
    BtGo->setObjectName(QStringLiteral("BtGo"));
    BtGo->setToolTip(QStringLiteral("Go or Stop (F5)"));
    BtGo->setMinimumWidth(73);
    connect(BtGo, &QPushButton::clicked, this, &TMain::BtGoClick);
    row->addWidget(LabelDate1);
    row->addWidget(DateEdit1);
    row->addSpacing(15);
    row->addWidget(LabelDate2);
    row->addWidget(DateEdit2);
    // The button follows the right edge, never over the final date.
    row->addStretch(1);
    row->addSpacing(30);
    row->addWidget(BtGo);
    strip->addLayout(row);
    return PanelDate;
}

QWidget* TMain::BuildRightPanel()
{
    // The list (with the chart below it when shown), a gap, and the totals.
    PanelRight = new QWidget(Splitter);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    auto* pane = new QVBoxLayout(PanelRight);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->setSpacing(0);

    EmptyNote = NamedLabel("EmptyNote", PanelRight);
    EmptyNote->setAlignment(Qt::AlignCenter);
    EmptyNote->setWordWrap(true);
    EmptyNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    EmptyNote->setAutoFillBackground(true);
    EmptyNote->setBackgroundRole(QPalette::Base);
    EmptyNote->hide();
    pane->addWidget(EmptyNote, 1);

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
    List->header()->setSortIndicatorShown(true);
    List->header()->setSortIndicator(-1, Qt::AscendingOrder);
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
    pane->addWidget(ListSplitter, 1);

    PanelSplit = new QWidget(PanelRight);
    PanelSplit->setObjectName(QStringLiteral("PanelSplit"));
    PanelSplit->setFixedHeight(PanelSplitHeight);
    pane->addWidget(PanelSplit);

    PanelTotal = new QFrame(PanelRight);
    PanelTotal->setObjectName(QStringLiteral("PanelTotal"));
    PanelTotal->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelTotal->setLineWidth(2);
    PanelTotal->setAutoFillBackground(true);
    PanelTotal->setBackgroundRole(QPalette::Window);
    PanelTotal->setMinimumHeight(TotalPanelHeight);
    PanelTotal->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* totals = new QVBoxLayout(PanelTotal);
    const int inset = TotalsInset - PanelTotal->frameWidth();
    totals->setContentsMargins(inset, 8 - PanelTotal->frameWidth(), inset, 4);
    totals->setSpacing(3);
    LabelTotalSel = NamedLabel("LabelTotalSel", PanelTotal);
    LabelTotalSel->setFont(LabelFont(23));
    SetTextColor(*LabelTotalSel, QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    BevelLine = Line("BevelLine", PanelTotal, QFrame::Plain);
    BevelLine->setLineWidth(1);
    BevelLine->setFixedHeight(1);
    SetTextColor(*BevelLine, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    BevelLine->hide();
    LabelTotal = NamedLabel("LabelTotal", PanelTotal);
    LabelTotal->setFont(LabelFont(17));
    SetTextColor(*LabelTotal, QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    // Long paths and totals are cut by the panel; they never widen the window.
    for (QLabel* label : {LabelTotalSel, LabelTotal})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    totals->addWidget(LabelTotalSel);
    auto* line = new QHBoxLayout;
    line->setContentsMargins(2, 0, 2, 0);
    line->addWidget(BevelLine);
    totals->addLayout(line);
    totals->addWidget(LabelTotal);
    // A hidden line keeps its place, so the totals do not jump.
    QSizePolicy kept = BevelLine->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    BevelLine->setSizePolicy(kept);
    pane->addWidget(PanelTotal);
    return PanelRight;
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
    // The worker must not outlive the window: stop it and wait for its end.
    if (worker_.Alive()) {
        worker_.RequestStop();
        worker_.WaitForEnd();
        BtGo->setText(kGo);
        Progress->hide();
    }
    if (reports_.Alive()) {
        reports_.WaitForEnd();
        queuedClick_ = nullptr;
        Status->SetText(1, QString());
        unsetCursor();
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

bool TMain::ShowTreeTip(QHelpEvent* event)
{
    QTreeWidgetItem* item = Tree->itemAt(event->pos());
    if (!item) {
        QToolTip::hideText();
        return true;
    }
    // Only a name that its pane cuts needs the tip.
    const QRect shown = Tree->visualItemRect(item);
    const int needed = Tree->iconSize().width() + 8 + Tree->fontMetrics().horizontalAdvance(item->text(0));
    if (shown.left() + needed <= Tree->viewport()->width()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), Qt::convertFromPlainText(item->text(0), Qt::WhiteSpaceNoWrap),
                       Tree->viewport(), shown);
    return true;
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
        // One dialog for the whole run, so it keeps the last filter.
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
    if (!lastSaveFolder_.isEmpty())
        saveDialog_->setDirectory(lastSaveFolder_);
    saveDialog_->selectFile(fileName);
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

bool TMain::ChooseChartFile(QString& fileName)
{
    fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"), fileName,
                                            QStringLiteral("PNG Images (*.png)"));
    return !fileName.isEmpty();
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
    if (ScanRunning() || SessionBusy())
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
    const bool shown = !MenuViewTool->isChecked();
    MenuViewTool->setChecked(shown);
    SetToolHeight(shown ? ToolBarHeight : 0);
    centralWidget()->layout()->activate();
    FormResize();
}

void TMain::MenuViewStatusClick()
{
    const bool shown = !MenuViewStatus->isChecked();
    MenuViewStatus->setChecked(shown);
    SetStatusHeight(shown ? StatusBarHeight : 0);
    centralWidget()->layout()->activate();
    FormResize();
}

void TMain::MenuViewChartClick() { SetChartShown(!MenuViewChart->isChecked()); }

bool TMain::ChartShown() const { return MenuViewChart->isChecked(); }

void TMain::SetChartShown(bool shown)
{
    MenuViewChart->setChecked(shown);
    if (shown && !Chart) {
        // Made on first use: a hidden chart costs nothing.
        Chart = new ReportChart(ListSplitter);
        Chart->setObjectName(QStringLiteral("Chart"));
        Chart->SetMeasure(chartMeasure_);
        ListSplitter->addWidget(Chart);
        // Three fifths for the list, also before the window is laid out.
        ListSplitter->setStretchFactor(0, 3);
        ListSplitter->setStretchFactor(1, 2);
        const int height = ListSplitter->height();
        ListSplitter->setSizes({height * 3 / 5, height - height * 3 / 5});
        connect(Chart, &ReportChart::MeasureChanged, this, [this] {
            chartMeasure_ = Chart->Measure();
            UpdateChart();
        });
        connect(Chart, &ReportChart::SaveRequested, this, &TMain::SaveChartClick);
        connect(Chart, &ReportChart::RowClicked, this, &TMain::SelectListRow);
        connect(Chart, &ReportChart::RowDoubleClicked, this, [this](int row) {
            SelectListRow(row);
            ListDblClick();
        });
    }
    if (Chart)
        Chart->setVisible(shown);
    UpdateChart();
}

void TMain::SetShownMeasure(ChartMeasure measure)
{
    chartMeasure_ = measure;
    if (Chart)
        Chart->SetMeasure(measure);
}

void TMain::SelectListRow(int row)
{
    if (SessionBusy() || row < 0 || row >= listModel_->rowCount())
        return;
    const QModelIndex index = listModel_->index(row, 0);
    List->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    List->scrollTo(index);
}

void TMain::UpdateChart()
{
    if (!Chart || !ChartShown())
        return;
    // While a worker owns the session the chart shows nothing, as the list.
    if (SessionBusy())
        Chart->ShowTable(nullptr, 0);
    else
        Chart->ShowTable(listModel_->Shown(), session_.ReportKind);
}

QString TMain::SuggestedFileName() const
{
    return QString::fromLatin1(FileNameOfNodePath(session_.NodePathText));
}

void TMain::SaveChartClick()
{
    if (!Chart || SessionBusy())
        return;
    QString fileName = SuggestedFileName();
    if (!fileName.isEmpty())
        fileName = QDir(lastSaveFolder_).filePath(fileName + QStringLiteral(".png"));
    if (!ChooseChartFile(fileName))
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".png");
    const QString title = FromLatin1(session_.NodePathText) + QStringLiteral(" - ") +
                          QLatin1String(kMeasureNames[static_cast<int>(chartMeasure_)]) + QStringLiteral(", ") +
                          FromLatin1(ProcessDateTexts().FormatDate(session_.InitialDate)) + QStringLiteral(" - ") +
                          FromLatin1(ProcessDateTexts().FormatDate(session_.FinalDate));
    if (!Chart->SaveImage(fileName, title)) {
        ShowError(QStringLiteral("File ") + QDir::toNativeSeparators(fileName) + QStringLiteral(" could not be written."));
        return;
    }
    lastSaveFolder_ = QFileInfo(fileName).absolutePath();
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
    if (SessionBusy())
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
    if (SessionBusy() || !session_.ReportShown || LabelTotal->text().isEmpty())
        return;
    // Cells, as Copy gives rows: the label, then the three sums.
    const RowValues& totals = session_.Table.Totals;
    const QStringList cells = {QStringLiteral("Total:"), FromLatin1(SecondsToText(totals.Seconds)),
                               FromLatin1(GroupDigits(",", totals.Sent)),
                               FromLatin1(GroupDigits(",", totals.Received))};
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')) + QLatin1Char('\n'));
}

void TMain::MenuOptCfgClick()
{
    if (ScanRunning() || SessionBusy())
        return;
    ShowConfig();
    // The dialog may have changed the language the next scan reads.
    Status->SetText(4, ProcessSettings().LogLanguage);
}

void TMain::MenuOptFontClick()
{
    if (ScanRunning() || SessionBusy())
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
    KeepPanesUsable();
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
    if (ScanRunning() || SessionBusy())
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
        // A stopped scan still finishing, or a table being made: no scan
        // until it ends.
        if (SessionBusy())
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
    if (worker_.Alive())
        details_->ShowRunning();
    else
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
    lastPercent_ = 0;
    Status->SetText(3, QString());
    EmptyNote->hide();
    ListSplitter->show();

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
    scanClock_.start();
    worker_.Start(scan, session_, ProcessStores(), ProcessDateTexts());
}

void TMain::ScanFinished()
{
    if (closing_)
        return;
    const ScanWorker::Outcome outcome = worker_.LastOutcome();
    const bool stopped = worker_.StopRequested();
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
    ReportScanOutcome(outcome, stopped);
    if (details_ != nullptr)
        details_->ShowDetails(outcome.Unread, outcome.EventsNotListed);
    FormResize();
    BtGo->setText(kGo);
    if (outcome.Error)
        ShowError(FromLatin1(*outcome.Error));
    for (const std::string& warning : outcome.Warnings)
        ShowMessage(MessageKind::Warning, QStringLiteral("Warning"), FromLatin1(warning));
}

void TMain::ReportScanOutcome(const ScanWorker::Outcome& outcome, bool stopped)
{
    // What could not be read follows what was, in the same panel.
    const QString unread = ScanDetailsSummary(outcome.Unread, outcome.EventsNotListed);
    const auto withUnread = [&unread](const QString& text) { return unread.isEmpty() ? text : text + "; " + unread; };
    if (stopped) {
        Status->SetText(3, withUnread(QStringLiteral("Stopped at %1 %").arg(lastPercent_)));
        return;
    }
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const double seconds = static_cast<double>(scanClock_.elapsed()) / 1000.0;
    Status->SetText(3, withUnread(QStringLiteral("%1 connections in %2 files, %3 s")
                                      .arg(english.toString(static_cast<qlonglong>(outcome.Connections)),
                                           english.toString(outcome.Files), QString::number(seconds, 'f', 1))));
    if (outcome.Connections > 0)
        return;
    // Nothing in the range: say so where the table would be.
    const DateTexts& dates = ProcessDateTexts();
    EmptyNote->setText(QStringLiteral("No connections from %1 to %2 in %3")
                           .arg(FromLatin1(dates.FormatDate(session_.InitialDate)),
                                FromLatin1(dates.FormatDate(session_.FinalDate)),
                                QDir::toNativeSeparators(ProcessSettings().LogDir)));
    ListSplitter->hide();
    EmptyNote->show();
}

// ---- reports

void TMain::RunReportCommand(ReportStep step)
{
    // The stores and the session belong to a running worker.
    if (SessionBusy())
        return;
    if (step.Records >= threadedFrom_ && StartReportThread(step))
        return;
    SortError error;
    listModel_->BeginChange();
    try {
        error = step.Command();
    } catch (const std::exception& e) {
        error = std::string(e.what());
    }
    EndReportCommand(step, error);
}

bool TMain::StartReportThread(ReportStep& step)
{
    // Until the command ends the table is the thread's: the list keeps a
    // copy of its columns only, as during a scan.
    listModel_->ShowColumnsOnly(session_.Table.Columns);
    const bool started = reports_.Start(step.Command, [this, step](const SortError& error) {
        Status->SetText(1, QString());
        unsetCursor();
        EndReportCommand(step, error);
        if (queuedClick_) {
            const std::function<void()> click = std::move(queuedClick_);
            queuedClick_ = nullptr;
            click();
        }
    });
    if (!started)
        return false;
    ApplyColumnWidths(*List, *listModel_);
    UpdateChart();
    Status->SetText(1, step.BusyText);
    setCursor(Qt::BusyCursor);
    return true;
}

void TMain::EndReportCommand(const ReportStep& step, const SortError& error)
{
    listModel_->ShowTable(&session_.Table);
    listModel_->EndChange();
    ApplyColumnWidths(*List, *listModel_);
    if (step.TreeChanged)
        MirrorTree();
    MirrorTableAndLabels();
    MirrorReportChecks();
    UpdateChart();
    if (error)
        ShowError(FromLatin1(*error));
    if (step.After)
        step.After();
}

bool TMain::HeldWhileBusy(std::function<void()> click)
{
    if (reports_.Alive())
        queuedClick_ = std::move(click);
    return SessionBusy();
}

void TMain::MenuRptUsersClick()
{
    if (HeldWhileBusy([this] { MenuRptUsersClick(); }))
        return;
    Stores& stores = ProcessStores();
    const bool stop = worker_.StopRequested();
    RunReportCommand({true, StoredRecords(stores), kBuilding,
                      [this, &stores, stop] { return ShowUsersView(session_, stores, stop, ProcessDateTexts()); },
                      nullptr});
}

void TMain::MenuRptDateClick()
{
    if (HeldWhileBusy([this] { MenuRptDateClick(); }))
        return;
    Stores& stores = ProcessStores();
    RunReportCommand({true, StoredRecords(stores), kBuilding,
                      [this, &stores] { return ShowDateView(session_, stores, ProcessDateTexts()); }, nullptr});
}

void TMain::TreeClick()
{
    // The node is read when the command runs: a queued click shows the
    // tree's selection of that moment.
    if (HeldWhileBusy([this] { TreeClick(); }))
        return;
    const QList<QTreeWidgetItem*> selected = Tree->selectedItems();
    const int node = selected.isEmpty() ? NodeOfItem(Tree->currentItem()) : NodeOfItem(selected.front());
    const Stores& stores = ProcessStores();
    RunReportCommand({false, StoredRecords(stores), kBuilding,
                      [this, &stores, node] { return vy::TreeClick(session_, stores, node, ProcessDateTexts()); },
                      nullptr});
}

void TMain::ListDblClick()
{
    // Not even the current node may be read while a worker owns the session;
    // the list is empty then, so there is no row to open.
    if (SessionBusy())
        return;
    const int row = ListRow();
    const int opened = session_.CurrentNode;
    const Stores& stores = ProcessStores();
    // The drill-down opens the node it came from one level in the tree.
    auto expand = [this, opened] {
        if (opened >= 0 && opened < session_.Tree.Count() && session_.Tree.Node(opened).Expanded &&
            static_cast<std::size_t>(opened) < treeItems_.size() && treeItems_[static_cast<std::size_t>(opened)])
            treeItems_[static_cast<std::size_t>(opened)]->setExpanded(true);
    };
    RunReportCommand({false, StoredRecords(stores), kBuilding,
                      [this, &stores, row] { return vy::ListDblClick(session_, stores, row, ProcessDateTexts()); },
                      expand});
}

void TMain::ListColumnClick(int column)
{
    if (HeldWhileBusy([this, column] { ListColumnClick(column); }))
        return;
    RunReportCommand({false, session_.Table.Rows.size(), kSorting,
                      [this, column] { return vy::ListColumnClick(session_, column); }, nullptr});
}

void TMain::MenuFileSaveClick()
{
    if (ScanRunning() || SessionBusy() || session_.Table.Rows.empty())
        return;
    QString typed = SuggestedFileName();
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
    headings.Selection = session_.NodePathText;
    headings.FinalDate = ToLatin1(DateEdit2->text());
    headings.InitialDate = ToLatin1(DateEdit1->text());
    headings.Created = ProcessDateTexts().FormatDateTime(CurrentDateTimeValue());
    if (const auto error = WriteSaveChoice(choice, session_.Table, headings)) {
        ShowError(*error);
        return;
    }
    lastSaveFolder_ = QFileInfo(choice.FileName).absolutePath();
}

void TMain::ToolSaveClick() { MenuFileSaveClick(); }

// ---- mirroring the session into the widgets

void TMain::MirrorTree()
{
    // Filling moves the current item; that is no move of the user's.
    fillingTree_ = true;
    treeItems_ = FillTreeWidget(*Tree, session_.Tree);
    fillingTree_ = false;
}

void TMain::SetLabel(QLabel* label, const std::string& text) { label->setText(FromLatin1(text)); }

void TMain::MirrorTableAndLabels()
{
    SetLabel(LabelTotalSel, session_.NodePathText);
    SetLabel(LabelTotal, session_.LabelTotal);
    BevelLine->setVisible(session_.ReportShown);
    if (session_.ReportShown) {
        EmptyNote->hide();
        ListSplitter->show();
    }
    // The header shows the column of the current sort and its direction.
    const bool sorted = session_.SortColumn >= 0 && session_.SortColumn < listModel_->columnCount();
    List->header()->setSortIndicator(sorted ? session_.SortColumn : -1,
                                      session_.SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    List->viewport()->update();
}

void TMain::MirrorReportChecks()
{
    MenuRptUsers->setChecked(session_.UsersChecked);
    MenuRptDate->setChecked(session_.DateChecked);
}

}  // namespace vy
