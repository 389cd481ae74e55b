// The main window's additions beyond its classic commands: list filter,
// recent and dropped folders, Back and Forward, data saves, kept columns and
// date presets.

#include <QDropEvent>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "export/data_save.h"
#include "export/report_writers.h"
#include "settings/recent_folders.h"
#include "store/date_value.h"
#include "ui/date_preset_button.h"
#include "ui/list_filter.h"
#include "ui/main_window_support.h"
#include "ui/report_list_view.h"

namespace vy::uitest {
namespace {

class WindowExtrasTest : public MainWindowTest {
protected:
    std::unique_ptr<RecordingMain> DemoWindow()
    {
        auto w = NewWindow();
        w->show();
        w->MenuHelpDemoClick();
        EXPECT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
        QCoreApplication::processEvents();
        return w;
    }
};

QString Numbers(const QString& totals) { return totals.mid(totals.indexOf(QStringLiteral("Time:"))); }

TEST_F(WindowExtrasTest, FilterShowsTheMatchingRowsInTableOrderWithTheirTotals)
{
    auto w = DemoWindow();
    const QAbstractItemModel* shown = w->List->model();
    const int all = shown->rowCount();
    ASSERT_GT(all, 2);
    // Every duration holds a colon: all rows pass, and their totals are the
    // totals of all.
    w->Filter()->Edit()->setText(":");
    EXPECT_EQ(shown->rowCount(), all);
    EXPECT_EQ(Numbers(w->Filter()->ShownTotals()->text()), Numbers(w->LabelTotal->text()));

    const QString user = shown->index(1, 0).data().toString();
    w->Filter()->Edit()->setText(user.toUpper());
    ASSERT_GE(shown->rowCount(), 1);
    ASSERT_LT(shown->rowCount(), all);
    EXPECT_NE(Numbers(w->Filter()->ShownTotals()->text()), Numbers(w->LabelTotal->text()));
    int previous = -1;
    for (int row = 0; row < shown->rowCount(); ++row) {
        EXPECT_TRUE(shown->index(row, 0).data().toString().contains(user, Qt::CaseInsensitive));
        EXPECT_GT(w->Filter()->TableRow(shown->index(row, 0)), previous);
        previous = w->Filter()->TableRow(shown->index(row, 0));
    }
    // Typed on from a shorter text, the same rows as the text given at once.
    std::vector<int> direct;
    for (int row = 0; row < shown->rowCount(); ++row)
        direct.push_back(w->Filter()->TableRow(shown->index(row, 0)));
    w->Filter()->Edit()->setText(user.right(1));
    ASSERT_GT(shown->rowCount(), static_cast<int>(direct.size()));
    w->Filter()->Edit()->setText(user.right(2));
    w->Filter()->Edit()->setText(user);
    std::vector<int> typed;
    for (int row = 0; row < shown->rowCount(); ++row)
        typed.push_back(w->Filter()->TableRow(shown->index(row, 0)));
    EXPECT_EQ(typed, direct);
    // The row opened is the one shown, not the table's row of that place.
    const QString first = shown->index(0, 0).data().toString();
    w->List->setCurrentIndex(shown->index(0, 0));
    w->ListDblClick();
    EXPECT_TRUE(w->LabelTotalSel->text().endsWith(first)) << Str(w->LabelTotalSel->text());
    w->Filter()->Edit()->clear();
    EXPECT_FALSE(w->Filter()->ShownTotals()->isVisible());
}

TEST_F(WindowExtrasTest, FilterKeepsTheCurrentRowWhileShownAndTheCaptionsOverNoRows)
{
    auto w = DemoWindow();
    const QAbstractItemModel* shown = w->List->model();
    const int all = shown->rowCount();
    ASSERT_GT(all, 2);
    QStringList captions;
    for (int c = 0; c < shown->columnCount(); ++c)
        captions << shown->headerData(c, Qt::Horizontal).toString();
    w->List->setCurrentIndex(shown->index(2, 0));
    w->Filter()->Edit()->setText(shown->index(2, 0).data().toString());
    EXPECT_EQ(w->Filter()->TableRow(w->List->currentIndex()), 2);
    // No single-byte cell holds this character.
    w->Filter()->Edit()->setText(QString(QChar(0x100)));
    EXPECT_EQ(shown->rowCount(), 0);
    EXPECT_FALSE(w->List->currentIndex().isValid());
    for (int c = 0; c < captions.size(); ++c)
        EXPECT_EQ(shown->headerData(c, Qt::Horizontal).toString(), captions[c]);
    w->Filter()->Edit()->clear();
    EXPECT_EQ(shown->rowCount(), all);
}

TEST_F(WindowExtrasTest, RecentFoldersKeepTheLastEightAndADroppedFolderIsOpened)
{
    auto w = NewWindow();
    QStringList folders;
    for (int i = 0; i <= RecentFolderCount; ++i) {
        folders << QDir::toNativeSeparators(TempPath(QStringLiteral("logs%1").arg(i)));
        ASSERT_TRUE(QDir().mkpath(folders.back()));
    }
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(folders[0])});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.get(), &drop);
    EXPECT_EQ(ProcessSettings().LogDir, folders[0]);
    EXPECT_TRUE(w->windowTitle().endsWith(folders[0]));
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(SourceDir() + "/data/VY.HLP")});
    QDropEvent fileDrop(QPointF(5, 5), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.get(), &fileDrop);
    EXPECT_EQ(ProcessSettings().LogDir, folders[0]);

    for (int i = 1; i < folders.size(); ++i)
        ASSERT_TRUE(w->OpenFolderPath(folders[i]));
    EXPECT_FALSE(w->OpenFolderPath(TempPath("gone")));
    emit w->MenuFileRecent->aboutToShow();
    const QList<QAction*> entries = w->MenuFileRecent->actions();
    ASSERT_EQ(entries.size(), RecentFolderCount);
    EXPECT_TRUE(entries.front()->text().endsWith(folders.back()));
    EXPECT_TRUE(entries.back()->text().endsWith(folders[1]));
    entries[3]->trigger();
    EXPECT_EQ(ProcessSettings().LogDir, folders[folders.size() - 4]);

    // Kept with the window's settings for the next run.
    w->FormDestroy();
    w.reset();
    auto next = NewWindow();
    EXPECT_EQ(RecentFolderList(ProcessSettings().RecentFolders).front(), folders[folders.size() - 4]);
}

TEST_F(WindowExtrasTest, BackAndForwardRetraceDrillDownsAndTreeClicks)
{
    auto w = DemoWindow();
    ASSERT_GT(w->Tree->topLevelItemCount(), 1);
    const int root = w->Session().CurrentNode;
    EXPECT_FALSE(w->MenuViewBack->isEnabled());
    w->SelectListRow(0);
    w->ListDblClick();
    const int opened = w->Session().CurrentNode;
    QTreeWidgetItem* clicked = w->Tree->topLevelItem(1);
    w->Tree->setCurrentItem(clicked);
    w->TreeClick();
    const int other = w->Session().CurrentNode;
    ASSERT_NE(opened, root);
    ASSERT_NE(other, opened);

    QTest::keyClick(w.get(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->Session().CurrentNode, opened);
    EXPECT_EQ(w->Tree->currentItem(), clicked);  // the tree's selection stays
    QTest::mouseClick(w->List->viewport(), Qt::BackButton);
    EXPECT_EQ(w->Session().CurrentNode, root);
    EXPECT_FALSE(w->MenuViewBack->isEnabled());
    QTest::keyClick(w.get(), Qt::Key_Right, Qt::AltModifier);
    QTest::mouseClick(w->Tree->viewport(), Qt::ForwardButton);
    EXPECT_EQ(w->Session().CurrentNode, other);
    EXPECT_FALSE(w->MenuViewForward->isEnabled());
    // A new tree starts a new history.
    w->MenuRptDateClick();
    EXPECT_FALSE(w->MenuViewBack->isEnabled());
}

TEST_F(WindowExtrasTest, SaveWritesTheDataFormsOfVyReport)
{
    auto w = DemoWindow();
    int chosen = FirstDataFilterIndex;
    w->SaveAnswer = [&](QString& name, int& filter) {
        name = TempPath("table");
        filter = chosen;
        return true;
    };
    w->MenuFileSaveClick();
    QFile csv(TempPath("table.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().toStdString(), CsvReport(w->Session().Table));
    chosen = FirstDataFilterIndex + 1;
    w->MenuFileSaveClick();
    QFile json(TempPath("table.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_EQ(saved["rows"].toArray().size(), static_cast<qsizetype>(w->Session().Table.Rows.size()));
    EXPECT_EQ(saved["node"].toString(), QString::fromLatin1(w->Session().NodePathText));
}

TEST_F(WindowExtrasTest, ColumnWidthsAndOrderAreKeptPerTableKind)
{
    auto w = DemoWindow();
    QHeaderView* header = w->List->header();
    const int made = header->sectionSize(1);
    QTest::mousePress(header->viewport(), Qt::MiddleButton);
    header->resizeSection(1, made + 77);
    QTest::mouseRelease(header->viewport(), Qt::MiddleButton);
    header->moveSection(3, 0);
    // A table of another kind shows as made ...
    w->Tree->setCurrentItem(w->Tree->topLevelItem(0)->child(0));
    w->TreeClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(header->logicalIndex(0), 0);
    // ... and the first kind as the user left it, also in the next run.
    w->HistoryBack();
    QCoreApplication::processEvents();
    EXPECT_EQ(header->sectionSize(1), made + 77);
    EXPECT_EQ(header->logicalIndex(0), 3);
    w->FormDestroy();
    w.reset();
    auto next = DemoWindow();
    EXPECT_EQ(next->List->header()->sectionSize(1), made + 77);
    EXPECT_EQ(next->List->header()->logicalIndex(0), 3);
}

TEST_F(WindowExtrasTest, DatePresetsSetBothDates)
{
    EnsureApplication();
    QDateEdit first, last;
    DatePresetButton presets(first, last, nullptr);
    presets.Today = [] { return QDate(2026, 1, 15); };
    presets.Folder = [] { return QStringLiteral("/logs"); };
    presets.Entry(DatePreset::LastMonth)->trigger();
    EXPECT_EQ(first.date(), QDate(2025, 12, 1));
    EXPECT_EQ(last.date(), QDate(2025, 12, 31));
    presets.Entry(DatePreset::ThisYear)->trigger();
    EXPECT_EQ(first.date(), QDate(2026, 1, 1));
    EXPECT_EQ(last.date(), QDate(2026, 1, 15));
    // No scan yet: the folder's span is not known.
    EXPECT_FALSE(presets.Entry(DatePreset::FolderSpan)->isEnabled());
    const std::pair<double, double> span{*EncodeDate(1998, 10, 1) + 0.75, *EncodeDate(1998, 10, 31) + 0.5};
    presets.SetSpan(span, QStringLiteral("/logs"));
    presets.Entry(DatePreset::FolderSpan)->trigger();
    EXPECT_EQ(first.date(), QDate(1998, 10, 1));
    EXPECT_EQ(last.date(), QDate(1998, 10, 31));
    presets.SetSpan(span, QStringLiteral("/other"));
    EXPECT_FALSE(presets.Entry(DatePreset::FolderSpan)->isEnabled());
}

}  // namespace
}  // namespace vy::uitest
