// The main window driven headless: its start state and menus, the bars and
// the resize rule, the commands of the window, and the scan and save
// commands as the user meets them.

#include <set>

#include <QAction>
#include <QDateEdit>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QHelpEvent>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "export/data_save.h"
#include "export/report_writers.h"
#include "reports/date_text.h"
#include "reports/report_session.h"
#include "scan/scan_run.h"
#include "store/date_value.h"
#include "support/fixtures.h"
#include "ui/help_viewer.h"
#include "ui/main_window_support.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"
#include "settings/event_list_text.h"
#include "ui/scan_details_form.h"

namespace vy::uitest {
namespace {

using MainFormTest = MainWindowTest;

TEST_F(MainFormTest, CreationPreparesAppliesAndSetsTheDateRange)
{
    RecordingMain w;
    w.FormCreate();
    EXPECT_TRUE(w.Messages.empty());
    // A first run writes the defaults and applies them.
    EXPECT_EQ(Str(Stored("Main/Version").toString()), "3.0");
    EXPECT_EQ(Str(ProcessSettings().LogLanguage), "EN");
    EXPECT_EQ(Str(w.Status->Text(4)), "EN");
    EXPECT_GE(w.width(), 600);
    EXPECT_GE(w.height(), 400);
    EXPECT_EQ(w.TreeWidth(), 160);
    EXPECT_TRUE(w.MenuOptSave->isChecked());
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w.DateEdit1->date(), QDate(today.year(), today.month(), 1));
    EXPECT_EQ(w.DateEdit2->date(), today);
    EXPECT_EQ(w.Session().SortColumn, -1);
    EXPECT_EQ(w.Session().SortAscending, 1);
    EXPECT_EQ(w.Session().DrillIndex, -1);

    w.show();
    const QString title = "Vy 3 - " + ProcessSettings().LogDir;
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(ApplicationTitle(), title);
    EXPECT_EQ(w.windowIconText(), title);

    // The first-run size fits the totals line in the fonts at hand, as far as
    // the screen allows; a stored size is kept.
    const bool screenFull = w.frameGeometry().width() >= w.screen()->availableGeometry().width() - 16;
    ProcessSettings().InstallDir = SourceDir() + QStringLiteral("/data");
    w.MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w.TaskRunning(); }));
    QCoreApplication::processEvents();
    for (int root = 0; root < w.Tree->topLevelItemCount(); ++root) {
        w.Tree->setCurrentItem(w.Tree->topLevelItem(root));
        w.TreeClick();
        EXPECT_TRUE(screenFull || w.LabelTotal->geometry().right() <= w.PanelTotal->contentsRect().right())
            << Str(w.LabelTotal->text());
    }
    RecordingMain next;
    next.FormCreate();
    EXPECT_EQ(next.size(), QSize(600, 400));
}

TEST_F(MainFormTest, SettingsErrorAtCreationIsShownAndTheWindowStillOpens)
{
    RecordingMain first;
    first.FormCreate();
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Window/Width", "wide");
        ini.setValue("Main/LogLanguage", "DE");
    }
    RecordingMain w;
    w.FormCreate();
    ASSERT_EQ(w.Messages.size(), 1u);
    EXPECT_EQ(w.Messages[0].Kind, MessageKind::Error);
    EXPECT_EQ(Str(w.Messages[0].Text), "Invalid data type for 'Width'");
    // What was loaded before the failing value stays; the window opens.
    EXPECT_EQ(Str(w.Status->Text(4)), "DE");
    EXPECT_EQ(w.DateEdit2->date(), QDate::currentDate());
}

TEST_F(MainFormTest, ToolbarAndStatusBarTogglesSetHeightsAndCheckMarks)
{
    auto w = NewWindow();
    w->show();
    w->MenuViewTool->trigger();
    EXPECT_FALSE(w->MenuViewTool->isChecked());
    EXPECT_EQ(w->ToolHeight(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->Tool->height(), 0);
    EXPECT_EQ(w->PanelDate->y(), 0);
    w->MenuViewTool->trigger();
    EXPECT_TRUE(w->MenuViewTool->isChecked());
    QCoreApplication::processEvents();
    EXPECT_EQ(w->Tool->height(), 29);
    EXPECT_EQ(w->Tool->y(), 0);
    EXPECT_EQ(w->PanelDate->y(), 29);

    w->MenuViewStatus->trigger();
    EXPECT_FALSE(w->MenuViewStatus->isChecked());
    QCoreApplication::processEvents();
    EXPECT_EQ(w->Status->height(), 0);
    w->MenuViewStatus->trigger();
    EXPECT_TRUE(w->MenuViewStatus->isChecked());
    w->Progress->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w->Status->height(), 21);
    // The progress bar sits between the panes and the status bar.
    EXPECT_EQ(w->Progress->y(), w->Splitter->y() + w->Splitter->height());
    EXPECT_EQ(w->Status->y(), w->Progress->y() + w->Progress->height());
    w->Progress->hide();

    // Save Settings on Exit flips its own mark and nothing else.
    w->MenuOptSave->trigger();
    EXPECT_FALSE(w->MenuOptSave->isChecked());
    w->MenuOptSave->trigger();
    EXPECT_TRUE(w->MenuOptSave->isChecked());
}

TEST_F(MainFormTest, ResizeKeepsGoAtTheEdgeTheTotalsPanelAndTheStatusPanelsInPlace)
{
    auto w = NewWindow();
    w->show();
    std::set<std::pair<int, int>> goGapAndTotalsHeight;
    for (const QSize size : {QSize(800, 500), QSize(900, 420), QSize(1000, 650)}) {
        w->resize(size);
        QCoreApplication::processEvents();
        goGapAndTotalsHeight.insert({w->PanelDate->width() - w->BtGo->geometry().right(), w->PanelTotal->height()});
        EXPECT_LT(w->ListSplitter->geometry().bottom(), w->PanelTotal->y());
        EXPECT_EQ(w->PanelTotal->geometry().bottom(), w->PanelRight->height() - 1);
        EXPECT_LE(w->Status->Panel(4)->geometry().right(), w->Status->width() - 1);  // the language stays in sight
        EXPECT_EQ(w->BevelLine->x(), w->PanelTotal->width() - w->BevelLine->geometry().right() - 1);
    }
    EXPECT_EQ(goGapAndTotalsHeight.size(), 1u);  // the same at every size

    // Narrowed until the button would cover the final date: it stays put.
    for (int width = 700; width > 300; width -= 20) {
        const int before = w->BtGo->x();
        w->resize(width, 500);
        QCoreApplication::processEvents();
        EXPECT_GT(w->BtGo->x(), w->DateEdit2->geometry().right()) << width;
        if (w->BtGo->geometry().right() >= w->PanelDate->width()) {
            EXPECT_EQ(w->BtGo->x(), before) << width;
        }
    }
}

TEST_F(MainFormTest, ExitDuringAScanWarnsEachTimeAndKeepsTheWindow)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(w->ScanRunning());
    w->MenuFileExit->trigger();
    w->MenuFileExit->trigger();
    ASSERT_EQ(w->Messages.size(), 2u);
    for (const Message& m : w->Messages) {
        EXPECT_EQ(m.Kind, MessageKind::Warning);
        EXPECT_EQ(Str(m.Text), "Stop the process before exit");
        EXPECT_EQ(m.Buttons, MessageButtons::Ok);
    }
    EXPECT_TRUE(w->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    w->Messages.clear();
    w->MenuFileExitClick();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->Messages.empty());
}

// What the core alone computes for the demonstration logs.
struct Expected {
    ReportSession Session;
    ScanResult Result;
};

std::unique_ptr<Expected> ComputeDemo(const QString& logDir)
{
    auto expected = std::make_unique<Expected>();
    auto stores = std::make_unique<Stores>();
    ScanSettings s;
    s.LogDir = logDir;
    s.FileFilter = "*.txt";
    s.LogLanguage = "EN";
    s.NEvents = "20050;20048";
    s.InitialDate = *EncodeDate(1998, 10, 1);
    s.FinalDate = *EncodeDate(1998, 10, 31);
    std::atomic<bool> stop{false};
    expected->Result = RunScan(s, *stores, stop, nullptr);
    expected->Session.InitialDate = s.InitialDate;
    expected->Session.FinalDate = s.FinalDate;
    BuildReportsAfterScan(expected->Session, *stores, false, ProcessDateTexts());
    return expected;
}

TEST_F(MainFormTest, DemoSetsItsFolderDatesAndLanguageWithoutStoringThem)
{
    auto w = NewWindow();
    w->show();
    {
        QSettings ini(IniFile(), QSettings::IniFormat);
        ini.setValue("Main/LogLanguage", "DE");
        ini.setValue("Main/NEvent", "12345");
    }
    const QString storedLogDir = Stored("Main/LogDir").toString();
    ProcessSettings().LogLanguage = "DE";
    ProcessSettings().NEvent = "12345";
    w->Status->SetText(4, "DE");
    const QString appTitle = ApplicationTitle();
    w->MenuHelpDemo->trigger();

    const QString demoDir = SourceDir() + "/data" + QDir::separator() + "DemoLog";
    EXPECT_EQ(ProcessSettings().LogDir, demoDir);
    EXPECT_EQ(w->windowTitle(), "Vy 3 - " + demoDir);
    EXPECT_EQ(ApplicationTitle(), appTitle);
    EXPECT_EQ(w->DateEdit1->date(), QDate(1998, 10, 1));
    EXPECT_EQ(w->DateEdit2->date(), QDate(1998, 10, 31));
    EXPECT_EQ(Str(ProcessSettings().LogLanguage), "EN");
    EXPECT_EQ(Str(w->Status->Text(4)), "EN");
    EXPECT_EQ(Str(ProcessSettings().NEvent), "20050");
    EXPECT_EQ(Str(w->BtGo->text()), "Stop");
    EXPECT_TRUE(w->ScanRunning());
    EXPECT_EQ(w->Progress->value(), 0);
    EXPECT_EQ(w->Tree->topLevelItemCount(), 0);
    EXPECT_EQ(w->List->model()->rowCount(), 0);

    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    EXPECT_EQ(w->Session().InitialDate, *EncodeDate(1998, 10, 1));
    EXPECT_EQ(w->Session().FinalDate, *EncodeDate(1998, 10, 31));
    // Nothing of it reached the store.
    EXPECT_EQ(Stored("Main/LogDir").toString(), storedLogDir);
    EXPECT_NE(storedLogDir, demoDir);
    EXPECT_EQ(Str(Stored("Main/LogLanguage").toString()), "DE");
    EXPECT_EQ(Str(Stored("Main/NEvent").toString()), "12345");
}

TEST_F(MainFormTest, DemoScanEndsWithTheFirstDomainsTableOnScreen)
{
    auto w = NewWindow();
    w->show();
    QSignalSpy finished(w.get(), &TMain::ScanEnded);
    std::vector<int> percents;
    QObject::connect(w->Progress, &QProgressBar::valueChanged, w.get(), [&](int value) { percents.push_back(value); });
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    const auto expected = ComputeDemo(ProcessSettings().LogDir);
    ASSERT_FALSE(expected->Session.Tree.Empty()) << "the demonstration logs gave no connection";
    ASSERT_FALSE(percents.empty());

    // The finish step.
    EXPECT_TRUE(w->Messages.empty()) << Str(w->Messages.empty() ? QString() : w->Messages[0].Text);
    EXPECT_EQ(Str(w->BtGo->text()), "Go!");
    EXPECT_FALSE(w->ScanRunning());
    EXPECT_EQ(ApplicationTitle(), "Vy 3 - " + ProcessSettings().LogDir);
    for (int panel = 0; panel < 3; ++panel)
        EXPECT_TRUE(w->Status->Text(panel).isEmpty()) << panel;

    // The tree: the core's tree, node for node.
    const ReportTree& tree = expected->Session.Tree;
    ASSERT_EQ(w->Tree->topLevelItemCount(), static_cast<int>(tree.Roots().size()));
    for (int r = 0; r < w->Tree->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = w->Tree->topLevelItem(r);
        const ReportNode& node = tree.Node(tree.Roots()[static_cast<std::size_t>(r)]);
        EXPECT_EQ(item->text(0).toStdString(), node.Text);
        EXPECT_EQ(item->childCount(), static_cast<int>(node.Children.size()));
        EXPECT_EQ(item->isExpanded(), node.Expanded);
    }
    // The first domain's table, cell for cell, with its labels.
    EXPECT_EQ(w->Session().ReportKind, 1);
    const ReportTable& table = expected->Session.Table;
    QAbstractItemModel* model = w->List->model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(Str(model->headerData(0, Qt::Horizontal).toString()), "User");
    EXPECT_EQ(Str(model->headerData(3, Qt::Horizontal).toString()), "Receive");
    ASSERT_EQ(model->rowCount(), static_cast<int>(table.Rows.size()));
    ASSERT_GT(model->rowCount(), 0);
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(model->index(r, c).data().toString().toStdString(),
                      testing::RowTexts(table, static_cast<std::size_t>(r))[static_cast<std::size_t>(c)]);
    EXPECT_EQ(w->LabelTotalSel->text().toStdString(), tree.Node(tree.FirstRoot()).Text);
    EXPECT_EQ(w->LabelTotal->text().toStdString(), expected->Session.LabelTotal);
    EXPECT_TRUE(w->LabelTotal->text().startsWith("Total:"));
    EXPECT_FALSE(w->BevelLine->isHidden());
}

TEST_F(MainFormTest, ReportCommandsMirrorTheSession)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    ASSERT_GT(w->Tree->topLevelItemCount(), 0);

    // Date/Time view: radio-like check marks, the year table.
    w->MenuRptDate->trigger();
    EXPECT_TRUE(w->MenuRptDate->isChecked());
    EXPECT_FALSE(w->MenuRptUsers->isChecked());
    EXPECT_EQ(w->Session().ReportKind, 6);
    ASSERT_EQ(w->Tree->topLevelItemCount(), 1);
    EXPECT_EQ(Str(w->Tree->topLevelItem(0)->text(0)), "1998");
    EXPECT_EQ(Str(w->List->model()->headerData(0, Qt::Horizontal).toString()), "Month");
    w->MenuRptDate->trigger();  // checked again, not unchecked
    EXPECT_TRUE(w->MenuRptDate->isChecked());

    w->MenuRptUsers->trigger();
    EXPECT_TRUE(w->MenuRptUsers->isChecked());
    EXPECT_FALSE(w->MenuRptDate->isChecked());
    EXPECT_EQ(w->Session().ReportKind, 1);

    // A click on the first domain, then a double click on its first user.
    QTreeWidgetItem* domain = w->Tree->topLevelItem(0);
    w->Tree->setCurrentItem(domain);
    w->TreeClick();
    EXPECT_EQ(w->Session().CurrentNode, NodeOfItem(domain));
    ASSERT_GT(w->List->model()->rowCount(), 0);
    const QString user = w->List->model()->index(0, 0).data().toString();
    w->List->setCurrentIndex(w->List->model()->index(0, 0));
    w->ListDblClick();
    EXPECT_EQ(w->Session().ReportKind, 2);
    EXPECT_EQ(w->LabelTotalSel->text(), domain->text(0) + " \\ " + user);
    EXPECT_TRUE(domain->isExpanded());
    EXPECT_EQ(w->Tree->currentItem(), domain);  // the tree's selection stays

    // A header click sorts what the list shows.
    const int rows = w->List->model()->rowCount();
    ASSERT_GT(rows, 0);
    w->ListColumnClick(4);
    const ReportTable sortedOnce = w->Session().Table;
    for (int r = 0; r < rows; ++r)
        EXPECT_EQ(w->List->model()->index(r, 0).data().toString().toStdString(),
                  testing::RowTexts(sortedOnce, static_cast<std::size_t>(r))[0]);
    EXPECT_EQ(w->Session().SortColumn, 4);
}

// What the window shows of its session: the tree with its current item and
// expansion, the list's header and cells, the labels, the sort mark, the
// status bar's work panel and the cursor.
std::vector<std::string> Shown(const TMain& w)
{
    std::vector<std::string> shown;
    const QTreeWidgetItem* current = w.Tree->currentItem();
    shown.push_back("current: " + (current ? Str(current->text(0)) : std::string()));
    for (QTreeWidgetItemIterator it(w.Tree); *it; ++it)
        shown.push_back(Str((*it)->text(0)) + ((*it)->isExpanded() ? " +" : " -"));
    const QAbstractItemModel* model = w.List->model();
    for (int c = 0; c < model->columnCount(); ++c)
        shown.push_back(Str(model->headerData(c, Qt::Horizontal).toString()));
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            shown.push_back(Str(model->index(r, c).data().toString()));
    const QHeaderView* header = w.List->header();
    shown.push_back(std::to_string(header->sortIndicatorSection()) + " " + std::to_string(header->sortIndicatorOrder()));
    for (const QLabel* label : {w.LabelTotalSel, w.LabelTotal})
        shown.push_back(Str(label->text()));
    shown.push_back(Str(w.Status->Text(1)));
    shown.push_back(std::to_string(w.cursor().shape()));
    return shown;
}

TEST_F(MainFormTest, CommandsOnTheirOwnThreadEndAsTheyDoAtOnce)
{
    auto atOnce = NewWindow();
    auto apart = NewWindow();
    apart->SetThreadedFrom(0);
    for (RecordingMain* w : {atOnce.get(), apart.get()}) {
        w->show();
        w->MenuHelpDemoClick();
        ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    }
    ASSERT_GE(apart->Tree->topLevelItemCount(), 2);
    const auto both = [&](const std::function<void(RecordingMain&)>& command) {
        command(*atOnce);
        EXPECT_FALSE(atOnce->TaskRunning());
        command(*apart);
        // Running: the list empty, the work named, the cursor busy, the
        // commands that read the session refused.
        ASSERT_TRUE(apart->TaskRunning());
        EXPECT_EQ(apart->List->model()->rowCount(), 0);
        EXPECT_FALSE(apart->Status->Text(1).isEmpty());
        EXPECT_EQ(apart->cursor().shape(), Qt::BusyCursor);
        apart->SaveAnswer = [](QString&, int&) { return false; };
        apart->MenuFileSave->trigger();
        EXPECT_EQ(apart->SaveDialogs, 0);
        apart->ListDblClick();
        ASSERT_TRUE(WaitFor([&] { return !apart->TaskRunning(); }));
        EXPECT_EQ(Shown(*apart), Shown(*atOnce));
    };
    // A move in the tree as the arrow keys make it, a header click, a
    // drill-down, the other view.
    both([](RecordingMain& w) { w.Tree->setCurrentItem(w.Tree->topLevelItem(1)); });
    both([](RecordingMain& w) { w.ListColumnClick(2); });
    both([](RecordingMain& w) {
        w.List->setCurrentIndex(w.List->model()->index(0, 0));
        w.ListDblClick();
    });
    // Clicks while one runs: the last one follows it, the others are dropped.
    both([&](RecordingMain& w) {
        w.Tree->setCurrentItem(w.Tree->topLevelItem(0));
        if (&w == apart.get()) {
            w.ListColumnClick(1);
            w.MenuRptDate->trigger();
        }
        w.ListColumnClick(3);
    });
    both([](RecordingMain& w) { w.MenuRptDate->trigger(); });
    EXPECT_TRUE(apart->Messages.empty());

    // Closing the window during a command waits for it.
    apart->MenuRptUsers->trigger();
    ASSERT_TRUE(apart->TaskRunning());
    EXPECT_TRUE(apart->close());
    EXPECT_FALSE(apart->TaskRunning());
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(apart->Messages.empty());
    EXPECT_TRUE(apart->MenuRptDate->isChecked());
    apart.reset();
}

TEST_F(MainFormTest, F9DuringAScanDoesNothing)
{
    auto w = NewWindow();
    w->show();
    QSignalSpy finished(w.get(), &TMain::ScanEnded);
    w->BtGoClick();
    ASSERT_TRUE(w->ScanRunning());
    // Nothing has been handed back yet: the scan is running for the window.
    w->MenuRptGo->trigger();
    w->MenuRptGoClick();
    EXPECT_TRUE(w->ScanRunning());
    EXPECT_EQ(Str(w->BtGo->text()), "Stop");
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(Str(w->BtGo->text()), "Go!");
}

TEST_F(MainFormTest, AGoAfterStopStartsWhenTheStoppedScanHasEnded)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    std::vector<bool> ended;  // each shown end, stopped or not
    QObject::connect(w.get(), &TMain::ScanEnded, [&] { ended.push_back(w->LastScan().Stopped); });

    w->BtGoClick();  // Go
    w->BtGoClick();  // Stop
    EXPECT_FALSE(w->ScanRunning());
    // Until the stopped scan hands the session back nothing reads it...
    ASSERT_TRUE(w->TaskRunning());
    w->SaveAnswer = [](QString&, int&) { return false; };
    w->MenuFileSave->trigger();
    EXPECT_EQ(w->SaveDialogs, 0);
    w->MenuRptDate->trigger();
    EXPECT_TRUE(w->MenuRptUsers->isChecked());
    w->ListDblClick();
    // ...while the settings it copied at its start may change.
    w->MenuOptCfg->trigger();
    EXPECT_EQ(w->ConfigShown, 1);
    // Go again: shown as running at once, begun once the old one has ended.
    w->BtGoClick();
    EXPECT_TRUE(w->ScanRunning());
    EXPECT_TRUE(ended.empty());
    ASSERT_TRUE(WaitFor([&] { return !ended.empty() && !w->TaskRunning(); }));
    EXPECT_EQ(ended, std::vector<bool>{false});
    EXPECT_FALSE(w->ScanRunning());
    EXPECT_GT(w->List->model()->rowCount(), 0);
    EXPECT_TRUE(w->Messages.empty());

    // Go, Stop, Go, Stop: the waiting scan is dropped with the first.
    ended.clear();
    for (int i = 0; i < 4; ++i)
        w->BtGoClick();
    ASSERT_TRUE(WaitFor([&] { return !ended.empty() && !w->TaskRunning(); }));
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(ended.size(), 1u);
    EXPECT_EQ(Str(w->BtGo->text()), "Go!");
}

TEST_F(MainFormTest, ClosingTheWindowDuringAScanWaitsForTheWorker)
{
    auto w = NewWindow();
    w->show();
    QSignalSpy finished(w.get(), &TMain::ScanEnded);
    w->MenuHelpDemoClick();
    ASSERT_TRUE(w->TaskRunning());
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->TaskRunning());
    EXPECT_FALSE(w->isVisible());
    // Nothing of the dropped scan reaches the closed window afterwards.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(w->Messages.empty());
    // Closing saved the settings, since Save Settings on Exit is checked.
    EXPECT_EQ(Stored("Window/Width").toInt(), w->width());
    w.reset();
}

TEST_F(MainFormTest, EndSavesSettingsOnlyWhenAskedTo)
{
    {
        auto w = NewWindow();
        w->show();
        w->resize(701, 455);
        QCoreApplication::processEvents();
        w->MenuViewTool->trigger();
        w->MenuOptSaveClick();  // unchecked: nothing is written
        QFile ini(IniFile());
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        const QByteArray before = ini.readAll();
        ini.close();
        w->close();
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        EXPECT_EQ(ini.readAll(), before);
    }
    {
        auto w = NewWindow();
        w->show();
        w->resize(702, 456);
        QCoreApplication::processEvents();
        w->MenuViewTool->trigger();
        w->close();
        EXPECT_EQ(Stored("Window/Width").toInt(), 702);
        EXPECT_EQ(Stored("Window/Height").toInt(), 456);
        EXPECT_EQ(Stored("Window/ToolBar").toInt(), 0);
        EXPECT_EQ(Stored("Window/StatusBar").toInt(), 1);
    }
    // The next start applies what was saved.
    auto w = NewWindow();
    EXPECT_EQ(w->width(), 702);
    EXPECT_EQ(w->ToolHeight(), 0);
    EXPECT_FALSE(w->MenuViewTool->isChecked());
}

TEST_F(MainFormTest, SaveWithAnEmptyTableOrDuringAScanShowsNoDialog)
{
    auto w = NewWindow();
    w->SaveAnswer = [](QString&, int&) { return false; };
    w->MenuFileSave->trigger();
    w->ToolSave->click();
    EXPECT_EQ(w->SaveDialogs, 0);

    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    ASSERT_GT(w->List->model()->rowCount(), 0);
    w->BtGoClick();
    ASSERT_TRUE(w->ScanRunning());
    w->MenuFileSaveClick();
    EXPECT_EQ(w->SaveDialogs, 0);
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    w->ToolSave->click();
    EXPECT_EQ(w->SaveDialogs, 1);
}

TEST_F(MainFormTest, SaveAsksBeforeReplacingAndWritesTheShownTable)
{
    auto w = NewWindow();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    ASSERT_GT(w->List->model()->rowCount(), 0);
    w->ListColumnClick(1);  // the file holds the table as sorted on screen

    const QString existing = TempPath("report.txt");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    w->SaveAnswer = [&](QString& name, int& filter) {
        name = TempPath("report");
        filter = 2;
        return true;
    };
    w->Answers = {MessageResult::Cancel};
    w->MenuFileSaveClick();
    ASSERT_EQ(w->Messages.size(), 1u);
    EXPECT_EQ(w->Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(Str(w->Messages[0].Title), "Warning");
    EXPECT_EQ(w->Messages[0].Text, "File " + existing + " exists. Replace?");
    EXPECT_EQ(w->Messages[0].Buttons, MessageButtons::OkCancel);
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
    f.close();

    w->Answers = {MessageResult::Ok};
    w->MenuFileSaveClick();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), TextReport(w->Session().Table));
    f.close();

    // The page gets the labels and the date fields' texts.
    w->Messages.clear();
    w->SaveAnswer = [&](QString& name, int& filter) {
        name = TempPath("page");
        filter = 1;
        return true;
    };
    w->MenuFileSaveClick();
    EXPECT_TRUE(w->Messages.empty());
    QFile page(TempPath("page.htm"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    EXPECT_TRUE(html.contains(w->DateEdit1->text().toLatin1()));
    EXPECT_TRUE(html.contains(w->DateEdit2->text().toLatin1()));
    EXPECT_TRUE(html.contains(QByteArray::fromStdString(w->Session().NodePathText)));
}

// Answers the save dialog once it is open: checks what it offers, then
// picks a filter and a name.
void DriveSaveDialog(QWidget* window, const std::function<void(QFileDialog&)>& drive)
{
    QTimer::singleShot(0, window, [window, drive] {
        auto* dialog = window->findChild<QFileDialog*>(QStringLiteral("SaveDialog"));
        if (!dialog || !dialog->isVisible()) {
            ADD_FAILURE() << "the save dialog is not open";
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            return;
        }
        drive(*dialog);
        // A failed check must not leave the test waiting on an open dialog.
        if (dialog->isVisible())
            dialog->reject();
    });
}

TEST_F(MainFormTest, SaveDialogOffersTheThreeFiltersAndKeepsTheLastChoice)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    const QString name = TempPath("table");
    DriveSaveDialog(w.get(), [&](QFileDialog& d) {
        EXPECT_EQ(Str(d.windowTitle()), "Save Report");
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        // What the list of types shows, blanks as written.
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), 3 + DataSaveNameFilters().size());
        EXPECT_EQ(Str(types->itemText(0)), "HTML Files (*.htm)");
        EXPECT_EQ(Str(types->itemText(1)), "Comma Delimited Text  (*.txt)");
        EXPECT_EQ(Str(types->itemText(2)), "All Files (*.*)");
        EXPECT_EQ(Str(d.selectedNameFilter()), "HTML Files (*.htm)");
        d.selectNameFilter("Comma Delimited Text  (*.txt)");
        d.selectFile(name);
        static_cast<QDialog&>(d).accept();
    });
    w->MenuFileSaveClick();
    QFile text(name + ".txt");
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll().toStdString(), TextReport(w->Session().Table));

    // The same dialog comes back with the last filter, in the folder last
    // saved to, suggesting the node's path; Cancel writes nothing and says
    // nothing.
    w->Tree->setCurrentItem(w->Tree->topLevelItem(0)->child(0));
    w->TreeClick();
    DriveSaveDialog(w.get(), [&](QFileDialog& d) {
        EXPECT_EQ(Str(d.selectedNameFilter()), "Comma Delimited Text  (*.txt)");
        ASSERT_FALSE(d.selectedFiles().isEmpty());
        EXPECT_EQ(QFileInfo(d.selectedFiles().front()).absolutePath(), QFileInfo(name).absolutePath());
        EXPECT_EQ(QFileInfo(d.selectedFiles().front()).fileName(),
                  w->Tree->topLevelItem(0)->text(0) + " - " + w->Tree->topLevelItem(0)->child(0)->text(0));
        d.reject();
    });
    w->MenuFileSaveClick();
    EXPECT_EQ(w->SaveDialogs, 2);
    EXPECT_TRUE(w->Messages.empty());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"table.txt"}));
}

TEST_F(MainFormTest, SaveReportsAWriteError)
{
    auto w = NewWindow();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    w->SaveAnswer = [&](QString& name, int& filter) {
        name = TempPath("missing-folder/report.txt");
        filter = 2;
        return true;
    };
    w->MenuFileSaveClick();
    ASSERT_EQ(w->Messages.size(), 1u);
    EXPECT_EQ(w->Messages[0].Kind, MessageKind::Error);
    EXPECT_TRUE(w->Messages[0].Text.contains("report.txt")) << Str(w->Messages[0].Text);
    EXPECT_GT(w->List->model()->rowCount(), 0);
}

TEST_F(MainFormTest, FontGoesToTreeListAndStatusBarAndIntoTheSettings)
{
    auto w = NewWindow();
    EXPECT_EQ(Str(w->LastChosenFont().family()), "MS Sans Serif");
    w->MenuOptFont->trigger();  // cancelled: nothing changes
    EXPECT_EQ(w->FontDialogs, 1);
    EXPECT_EQ(Str(w->FontOffered.family()), "MS Sans Serif");
    EXPECT_FALSE(w->FontOffered.bold());
    const QFont treeBefore = w->Tree->font();

    QFont chosen(QStringLiteral("Nimbus Sans"), 11);
    chosen.setBold(true);
    w->FontAnswer = [&](QFont& font, QColor& color) {
        font = chosen;
        color = Qt::red;
        return true;
    };
    w->MenuOptFont->trigger();
    EXPECT_NE(w->Tree->font(), treeBefore);
    EXPECT_EQ(w->Tree->font(), chosen);
    EXPECT_EQ(w->List->font(), chosen);
    EXPECT_EQ(w->Status->font(), chosen);
    EXPECT_EQ(w->Tree->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(w->List->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(w->Status->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(Str(ProcessSettings().FontName), "Nimbus Sans");
    EXPECT_EQ(ProcessSettings().FontSize, 11);
    EXPECT_EQ(Str(ProcessSettings().FontStyle), "B");

    // The dialog starts with what it returned last; underline stores no style.
    chosen.setItalic(true);
    chosen.setUnderline(true);
    w->MenuOptFont->trigger();
    EXPECT_TRUE(w->FontOffered.bold());
    EXPECT_FALSE(w->FontOffered.italic());
    EXPECT_TRUE(w->Tree->font().underline());
    EXPECT_EQ(Str(ProcessSettings().FontStyle), "");
}

TEST_F(MainFormTest, HelpShowsTheHelpFileAndAMissingOneNothing)
{
    auto w = NewWindow();
    ProcessSettings().InstallDir = TempPath("nowhere");
    w->MenuHelpContents->trigger();
    EXPECT_TRUE(w->HelpFiles.isEmpty());
    EXPECT_EQ(w->Help(), nullptr);
    EXPECT_TRUE(w->Messages.empty());

    ProcessSettings().InstallDir = SourceDir() + "/data";
    w->MenuHelpContents->trigger();
    ASSERT_EQ(w->HelpFiles.size(), 1);
    EXPECT_EQ(w->HelpFiles[0], SourceDir() + "/data" + QDir::separator() + "VY.HLP");
    ASSERT_NE(w->Help(), nullptr);
    EXPECT_TRUE(w->Help()->isVisible());
    EXPECT_TRUE(w->Help()->Browser()->toPlainText().contains("Demo"));
    // Esc closes it.
    QApplication::setActiveWindow(w->Help());
    QTest::keyClick(w->Help(), Qt::Key_Escape);
    EXPECT_FALSE(w->Help()->isVisible());
    w->MenuHelpContents->trigger();
    // The help window goes with the main window.
    w->show();
    w->close();
    EXPECT_FALSE(w->Help()->isVisible());
}

TEST_F(MainFormTest, HomePageStartsTheBrowserOrSaysItIsMissing)
{
    auto w = NewWindow();
    ProcessSettings().BrowserCommand.clear();
    w->MenuHelpHomePage->trigger();
    ASSERT_EQ(w->Messages.size(), 1u);
    EXPECT_EQ(w->Messages[0].Kind, MessageKind::Error);
    EXPECT_EQ(Str(w->Messages[0].Text), "Browser not found");
    EXPECT_EQ(w->ProgramsStarted, 0);

    ProcessSettings().BrowserCommand = "\"/opt/my browser/run\" --new-window";
    w->MenuHelpHomePage->trigger();
    EXPECT_EQ(w->ProgramsStarted, 1);
    EXPECT_EQ(Str(w->Program), "/opt/my browser/run");
    ASSERT_EQ(w->Arguments.size(), 2);
    EXPECT_EQ(Str(w->Arguments[0]), "--new-window");
    EXPECT_TRUE(w->Arguments[1].startsWith("http://"));
    EXPECT_EQ(w->Messages.size(), 1u);
}

TEST_F(MainFormTest, OpenFolderSetsBothTitlesAlsoAfterCancel)
{
    // The toolkit's display name would be appended to every window title.
    const QString displayName = QGuiApplication::applicationDisplayName();
    auto w = NewWindow();
    w->show();
    w->OpenFolderAction = [] { ProcessSettings().LogDir = "/srv/logs"; };
    w->ToolOpen->click();
    EXPECT_EQ(w->OpenFolderShown, 1);
    EXPECT_EQ(Str(w->windowTitle()), "Vy 3 - /srv/logs");
    EXPECT_EQ(Str(ApplicationTitle()), "Vy 3 - /srv/logs");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName);
    w->MenuHelpAbout->trigger();
    EXPECT_EQ(w->AboutShown, 1);
}

TEST_F(MainFormTest, TheFilesProblemsShareOneBoundedWarning)
{
    auto w = NewWindow();
    const QString folder = TempPath("damaged");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int i = 0; i < 12; ++i) {
        QFile f(folder + QStringLiteral("/f%1.txt").arg(i, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a log\x1a but more after its end\r\n");
    }
    ScanOctober1998(*w, folder);
    ASSERT_EQ(w->Messages.size(), 1u);
    const QString text = w->Messages[0].Text;
    EXPECT_TRUE(text.startsWith("f00.txt: ")) << Str(text);
    EXPECT_FALSE(text.contains("f11.txt")) << Str(text);
    EXPECT_LT(text.count('\n'), 12) << Str(text);
}

TEST_F(MainFormTest, ScanOfAnEmptyFolderWarnsThatItHasNoLogFiles)
{
    auto w = NewWindow();
    ASSERT_TRUE(QDir().mkpath(TempPath("empty")));
    ProcessSettings().LogDir = TempPath("empty");
    QSignalSpy finished(w.get(), &TMain::ScanEnded);
    w->BtGo->click();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    ASSERT_EQ(w->Messages.size(), 1u);
    EXPECT_EQ(w->Messages[0].Kind, MessageKind::Warning);
    EXPECT_EQ(Str(w->Messages[0].Text), "Folder has no log files");
    EXPECT_EQ(w->Tree->topLevelItemCount(), 0);
    EXPECT_EQ(w->List->model()->columnCount(), 0);
    EXPECT_TRUE(w->EmptyOffer->isHidden());

    // A file of another form: named in the table's place, and one click
    // widens the filter to read it.
    QFile csv(TempPath("empty") + "/x.csv");
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Level,Date and Time,Source,Event ID,Task Category\r\n");
    csv.close();
    w->BtGo->click();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_TRUE(w->EmptyNote->text().contains("1 .csv file")) << Str(w->EmptyNote->text());
    ASSERT_FALSE(w->EmptyOffer->isHidden());
    w->EmptyOffer->click();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 3; }));
    EXPECT_EQ(w->LastScan().Result.LogFileList, std::vector<QString>{"x.csv"});
}

TEST_F(MainFormTest, LinesThatCouldNotBeReadShowInTheStatusBarAndScanDetails)
{
    auto w = NewWindow();
    ASSERT_TRUE(QDir().mkpath(TempPath("unread")));
    const std::string broken = "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20050,N/A,SRV1,"
                               "The user was active for 2 minutes.\r\n";
    const std::string current = "10/05/1998,10:20:00 AM,RemoteAccess,Information,None,20272,N/A,RAS1,"
                                "The user x connected on port VPN1. The user was active for 2 minutes.\r\n";
    QFile file(TempPath("unread") + "/a.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString("noise\r\n" + broken + current + broken));
    file.close();
    ProcessSettings().LogDir = TempPath("unread");
    QSignalSpy finished(w.get(), &TMain::ScanEnded);
    w->BtGo->click();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(Str(w->Status->Text(3))
                    .ends_with("; 2 connection lines could not be read (View > Scan Details); 1 event 20272 was not "
                               "read: it is not in the event list (Options > Configuration)"))
        << Str(w->Status->Text(3));
    w->MenuViewDetails->trigger();
    auto* details = w->findChild<TScanDetails*>();
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(details->isVisible());
    const QString text = details->CopiedText();
    EXPECT_TRUE(text.contains(QRegularExpression("\na\\.txt\t[^\n]*\t2\tline 2\t"))) << Str(text);
    // The way out, offered alike in the status bar and the details: one
    // click puts the event in the list and scans again.
    ASSERT_FALSE(w->Status->Offer()->isHidden());
    EXPECT_TRUE(w->Status->Offer()->text().contains("20272"));
    EXPECT_EQ(details->BtOffer()->text(), w->Status->Offer()->text());
    details->BtOffer()->click();
    EXPECT_TRUE(EventListIds(ProcessSettings().NEvents).contains("20272")) << Str(ProcessSettings().NEvents);
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_TRUE(w->LastScan().Result.EventsNotListed.empty());
    EXPECT_TRUE(w->Status->Offer()->isHidden());
}

TEST_F(MainFormTest, KeyboardMovesAndOpensAsTheMouseDoes)
{
    auto w = NewWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    // The tree's current item moved by keys shows its node's table.
    w->Tree->setFocus();
    w->Tree->setCurrentItem(w->Tree->topLevelItem(0));
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown}) {
        QTest::keyClick(w->Tree, key);
        QTreeWidgetItem* current = w->Tree->currentItem();
        ASSERT_NE(current, nullptr);
        EXPECT_TRUE(w->LabelTotalSel->text().endsWith(current->text(0))) << Str(w->LabelTotalSel->text()) << key;
    }
    // Enter opens the current row as a double click, the tree's selection
    // staying where it was.
    w->Tree->setCurrentItem(w->Tree->topLevelItem(0));
    QTreeWidgetItem* selected = w->Tree->currentItem();
    QAbstractItemModel* model = w->List->model();
    ASSERT_GT(model->rowCount(), 1);
    const QString user = model->index(1, 0).data().toString();
    w->List->setFocus();
    w->List->setCurrentIndex(model->index(1, 0));
    QTest::keyClick(w->List, Qt::Key_Return);
    EXPECT_EQ(w->LabelTotalSel->text(), selected->text(0) + " \\ " + user);
    EXPECT_EQ(w->Tree->currentItem(), selected);
    // The header shows the sort's column and direction.
    w->ListColumnClick(1);
    EXPECT_EQ(w->List->header()->sortIndicatorSection(), 1);
    EXPECT_EQ(w->List->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    w->ListColumnClick(1);
    EXPECT_EQ(w->List->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    // A name the narrowed tree cuts shows whole as a tool tip; one it shows
    // whole has none.
    w->Splitter->setSizes({w->Tree->minimumWidth(), w->Splitter->width()});
    QFont wide = w->Tree->font();  // wider than the narrowed pane was made for, in any face
    wide.setPixelSize(3 * QFontInfo(wide).pixelSize());
    w->Tree->setFont(wide);
    w->MenuRptDate->trigger();
    w->Tree->expandAll();
    QCoreApplication::processEvents();
    QTreeWidgetItem* longest = w->Tree->topLevelItem(0)->child(0);  // a month
    ASSERT_NE(longest, nullptr);
    const QRect cut = w->Tree->visualItemRect(longest);
    ASSERT_GT(cut.left() + w->Tree->fontMetrics().horizontalAdvance(longest->text(0)), w->Tree->viewport()->width());
    QHelpEvent help(QEvent::ToolTip, cut.center(), w->Tree->viewport()->mapToGlobal(cut.center()));
    QApplication::sendEvent(w->Tree->viewport(), &help);
    QTextDocument tip;
    tip.setHtml(QToolTip::text());
    EXPECT_EQ(tip.toPlainText(), longest->text(0));
    QToolTip::hideText();
    w->MenuRptUsers->trigger();

    // F5 starts a scan and stops it.
    QTest::keyClick(w.get(), Qt::Key_F5);
    EXPECT_EQ(Str(w->BtGo->text()), "Stop");
    QTest::keyClick(w.get(), Qt::Key_F5);
    EXPECT_EQ(Str(w->BtGo->text()), "Go!");
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    EXPECT_TRUE(w->Status->Text(3).startsWith("Stopped at ")) << Str(w->Status->Text(3));
}

TEST_F(MainFormTest, TheStatusBarTellsWhatAScanDidAndAnEmptyRangeSaysSo)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    std::int64_t kept = 0;
    for (const ConnectionRecord& r : ProcessStores().Connections)
        kept += r.Removed() ? 0 : 1;
    const QString said = w->Status->Text(3);
    const QString files = QString::number(QDir(ProcessSettings().LogDir).entryList({"*.txt"}, QDir::Files).size());
    EXPECT_TRUE(said.startsWith(QLocale(QLocale::English).toString(static_cast<qlonglong>(kept)) +
                                " connections in " + files + " files, "))
        << Str(said);
    EXPECT_TRUE(said.endsWith(" s")) << Str(said);
    EXPECT_TRUE(w->EmptyPane->isHidden());

    // The same folder over a range without connections.
    w->DateEdit1->setDate(QDate(2026, 12, 1));
    w->DateEdit2->setDate(QDate(2026, 12, 7));
    w->BtGoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    EXPECT_TRUE(w->Status->Text(3).startsWith("0 connections in ")) << Str(w->Status->Text(3));
    ASSERT_FALSE(w->EmptyPane->isHidden());
    EXPECT_TRUE(w->ListSplitter->isHidden());
    EXPECT_TRUE(w->EmptyNote->text().contains(w->DateEdit2->text())) << Str(w->EmptyNote->text());
    EXPECT_EQ(w->EmptyOffer->isHidden(), w->Status->Offer()->isHidden());
    // The next table takes its place again.
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    EXPECT_TRUE(w->EmptyPane->isHidden());
    EXPECT_FALSE(w->ListSplitter->isHidden());
}

TEST_F(MainFormTest, ADarkPaletteKeepsTheTreeListAndTotalsLegible)
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (const auto& [role, color] : std::vector<std::pair<QPalette::ColorRole, QColor>>{
             {QPalette::Window, QColor(0x20, 0x20, 0x20)},   {QPalette::WindowText, QColor(0xee, 0xee, 0xee)},
             {QPalette::Base, QColor(0x18, 0x18, 0x18)},     {QPalette::Text, QColor(0xe0, 0xe0, 0xe0)},
             {QPalette::Button, QColor(0x30, 0x30, 0x30)},   {QPalette::ButtonText, QColor(0xee, 0xee, 0xee)}})
        dark.setColor(role, color);
    QApplication::setPalette(dark);
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    w->FontAnswer = [](QFont&, QColor&) { return true; };
    w->MenuOptFont->trigger();
    const auto legible = [](const QColor& text, const QColor& ground) {
        return std::abs(text.lightness() - ground.lightness()) > 80;
    };
    for (const QWidget* view : {static_cast<QWidget*>(w->Tree), static_cast<QWidget*>(w->List)})
        EXPECT_TRUE(legible(view->palette().color(QPalette::Text), view->palette().color(QPalette::Base)))
            << Str(view->objectName());
    for (const QLabel* label : {w->LabelTotalSel, w->LabelTotal})
        EXPECT_TRUE(legible(label->palette().color(QPalette::WindowText),
                            w->PanelTotal->palette().color(QPalette::Window)))
            << Str(label->objectName());
    QApplication::setPalette(before);
}

TEST_F(MainFormTest, TheLanguagePanelFollowsTheConfiguration)
{
    auto w = NewWindow();
    EXPECT_EQ(Str(w->Status->Text(4)), "EN");
    ProcessSettings().LogLanguage = "DE";  // as the dialog's OK leaves it
    w->MenuOptCfgClick();
    EXPECT_EQ(w->ConfigShown, 1);
    EXPECT_EQ(Str(w->Status->Text(4)), "DE");
}

}  // namespace
}  // namespace vy::uitest
