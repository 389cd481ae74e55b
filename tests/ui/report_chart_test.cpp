// The chart under the list, copying from the list, and what the window does
// with hostile names and with its default font, driven through the widgets.

#include <QAbstractBarSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSplitter>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QHelpEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "reports/value_format.h"
#include "settings/settings.h"
#include "ui/main_window_support.h"
#include "ui/openform.h"
#include "ui/report_chart.h"
#include "ui/report_list_view.h"

namespace vy::uitest {
namespace {

using ReportChartTest = MainWindowTest;

const char* const kMeasures[] = {"Time", "Send", "Receive"};

QString Cell(QAbstractItemModel* model, int row, int column) { return model->index(row, column).data().toString(); }

int ColumnOf(QAbstractItemModel* model, const QString& caption)
{
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal).toString() == caption)
            return c;
    return -1;
}

// The bars, read back in the table's formats, are the list's cells: from the
// top down in the list's order, or (dateOrder) from the left in ascending
// order of the row captions.
void ExpectChartShowsTheList(RecordingMain& w, bool dateOrder)
{
    QAbstractItemModel* model = w.List->model();
    const int rows = std::min(model->rowCount(), ChartRowLimit);
    ASSERT_GT(rows, 0);
    for (int m = 0; m < 3; ++m) {
        SCOPED_TRACE(kMeasures[m]);
        w.Chart->SetMeasure(static_cast<ChartMeasure>(m));
        const int column = ColumnOf(model, QLatin1String(kMeasures[m]));
        auto* series = qobject_cast<QAbstractBarSeries*>(w.Chart->Chart()->series().value(0));
        auto* axis = qobject_cast<QBarCategoryAxis*>(
            w.Chart->Chart()->axes(dateOrder ? Qt::Horizontal : Qt::Vertical).value(0));
        ASSERT_TRUE(series && axis && series->barSets().size() == 1);
        const QBarSet* set = series->barSets().front();
        const QStringList labels = axis->categories();
        ASSERT_TRUE(set->count() == rows && labels.size() == rows) << set->count() << " " << labels.size();
        int previousDay = 0;
        for (int i = 0; i < rows; ++i) {
            int row = rows - 1 - i;
            if (dateOrder) {
                for (row = 0; row < model->rowCount() && Cell(model, row, 0) != labels[i]; ++row) {
                }
                EXPECT_GT(labels[i].toInt(), previousDay);
                previousDay = labels[i].toInt();
            }
            ASSERT_LT(row, model->rowCount());
            EXPECT_EQ(labels[i], Cell(model, row, 0).toHtmlEscaped());
            const auto value = static_cast<std::int64_t>(set->at(i));
            const std::string text = m == 0 ? SecondsToText(static_cast<std::int32_t>(value)) : GroupDigits(",", value);
            EXPECT_EQ(text, Str(Cell(model, row, column))) << i;
        }
    }
}

TEST_F(ReportChartTest, ChartShowsTheTablesNumbersAndFollowsClicksAndSorts)
{
    auto w = NewWindow();
    w->show();
    w->MenuViewChart->trigger();
    ASSERT_TRUE(w->ChartShown());
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    QCoreApplication::processEvents();
    EXPECT_GT(w->Chart->height(), 0);
    EXPECT_LT(w->List->height(), w->ListSplitter->height());

    // A domain's users sorted by time; a user's first 50 connections of more.
    ASSERT_EQ(w->Session().ReportKind, 1);
    w->ListColumnClick(1);
    w->ListColumnClick(1);
    ExpectChartShowsTheList(*w, false);
    w->List->setCurrentIndex(w->List->model()->index(0, 0));
    w->ListDblClick();
    ASSERT_GT(w->List->model()->rowCount(), ChartRowLimit);
    ExpectChartShowsTheList(*w, false);
    EXPECT_FALSE(w->Chart->Note()->text().isEmpty());

    // A month's days stay in date order whatever the list's order.
    w->MenuRptDate->trigger();
    QTreeWidgetItem* month = w->Tree->topLevelItem(0)->child(0);
    ASSERT_NE(month, nullptr);
    w->Tree->setCurrentItem(month);
    w->TreeClick();
    ASSERT_EQ(w->Session().ReportKind, 7);
    ExpectChartShowsTheList(*w, true);
    w->ListColumnClick(2);
    ExpectChartShowsTheList(*w, true);

    // A bar shows its exact value, a click selects its row, a double click
    // opens it.
    w->MenuRptUsers->trigger();
    auto* series = qobject_cast<QAbstractBarSeries*>(w->Chart->Chart()->series().value(0));
    ASSERT_TRUE(series && !series->barSets().isEmpty());
    QBarSet* bars = series->barSets().front();
    QAbstractItemModel* model = w->List->model();
    const int last = bars->count() - 1;  // the list's first row stands at the top
    QTextDocument tip;
    tip.setHtml(w->Chart->BarTip(0));
    EXPECT_EQ(tip.toPlainText(),
              Cell(model, 0, 0) + ": " + Cell(model, 0, ColumnOf(model, kMeasures[static_cast<int>(w->Chart->Measure())])));
    // The value stays while the pointer does, past the view's own tool tip.
    emit bars->hovered(true, last);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), w->Chart->View()->viewport()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(w->Chart->View()->viewport(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), w->Chart->BarTip(0));
    emit bars->hovered(false, last);
    emit bars->clicked(last - 1);
    EXPECT_EQ(w->List->currentIndex().row(), 1);
    EXPECT_TRUE(w->List->selectionModel()->isRowSelected(1));
    const QString user = Cell(model, 1, 0);
    emit bars->doubleClicked(last - 1);
    EXPECT_TRUE(w->LabelTotalSel->text().endsWith(" \\ " + user)) << Str(w->LabelTotalSel->text());

    // Hidden, it is left alone; "Save Chart..." writes a PNG image.
    w->MenuViewChart->trigger();
    EXPECT_TRUE(w->Chart->isHidden());
    QCoreApplication::processEvents();
    EXPECT_EQ(w->List->height(), w->ListSplitter->height());
    w->MenuViewChart->trigger();
    w->ChartFileAnswer = [&](QString& name) {
        name = TempPath("chart");
        return true;
    };
    const QImage untitled = w->Chart->Grab();
    w->Chart->View()->actions().front()->trigger();
    const QImage saved(TempPath("chart.png"), "PNG");
    ASSERT_EQ(saved.size(), untitled.size());
    // The title stands above the chart in the image, and only there.
    const QRect top(0, 0, saved.width(), 30);
    EXPECT_NE(saved.copy(top), untitled.copy(top).convertToFormat(saved.format()));
    EXPECT_EQ(w->Chart->Chart()->title(), QString());
    w->ChartFileAnswer = [&](QString& name) {
        name = TempPath("missing/chart.png");
        return true;
    };
    w->Chart->View()->actions().front()->trigger();
    ASSERT_EQ(w->Messages.size(), 1u);
    EXPECT_EQ(w->Messages[0].Kind, MessageKind::Error);
}

TEST_F(ReportChartTest, TickLabelsOfTimesBeyond32BitsReadAsTheirValues)
{
    // Time sums past 2^31 seconds, as a large folder gives them.
    ReportTable table;
    table.Columns = {{"Year", 100, Alignment::Left}, {"Time", 100, Alignment::Right}};
    for (const std::int64_t hours : {720000LL, 360000LL, 1LL})
        table.Rows.push_back({{std::to_string(hours), SecondsToText(hours * 3600)}, 0, NoKey, {hours * 3600, 0, 0, 0}});
    ReportChart chart;
    chart.ShowTable(&table, 1);
    auto* axis = qobject_cast<QCategoryAxis*>(chart.Chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(axis, nullptr);
    std::int64_t previous = 0;
    for (const QString& label : axis->categoriesLabels()) {
        const QStringList parts = label.split(':');
        ASSERT_EQ(parts.size(), 3) << Str(label);
        const std::int64_t seconds = parts[0].toLongLong() * 3600 + parts[1].toInt() * 60 + parts[2].toInt();
        EXPECT_GT(seconds, previous) << Str(label);
        EXPECT_DOUBLE_EQ(static_cast<double>(seconds), axis->endValue(label));
        previous = seconds;
    }
    EXPECT_GE(previous, 720000LL * 3600);
}

TEST_F(ReportChartTest, CopyPutsTheHeaderAndTheSelectedRowsOnTheClipboard)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    QAbstractItemModel* model = w->List->model();
    ASSERT_GT(model->rowCount(), 2);
    QApplication::setActiveWindow(w.get());
    w->List->setFocus();
    QTest::keyClick(w->List, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w->List, Qt::Key_C, Qt::ControlModifier);
    QString expected;
    for (int row = -1; row < model->rowCount(); ++row)
        for (int c = 0; c < model->columnCount(); ++c)
            expected += (row < 0 ? model->headerData(c, Qt::Horizontal).toString() : Cell(model, row, c)) +
                        (c + 1 < model->columnCount() ? "\t" : "\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    // The totals as one row under those columns: the node's path first,
    // then time, send and receive as the totals line shows them.
    w->ListCopyTotals->trigger();
    const QStringList totals = QGuiApplication::clipboard()->text().chopped(1).split('\t');
    ASSERT_EQ(totals.size(), model->columnCount()) << Str(QGuiApplication::clipboard()->text());
    EXPECT_EQ(totals[0], w->LabelTotalSel->text());
    EXPECT_TRUE(w->LabelTotal->text().endsWith(" " + totals.back()));
    for (int c = 2; c < totals.size(); ++c)
        EXPECT_LT(w->LabelTotal->text().indexOf(" " + totals[c - 1]), w->LabelTotal->text().indexOf(" " + totals[c]));

    // A double click still opens the row clicked.
    const QString user = Cell(model, 1, 0);
    const QPoint at = w->List->visualRect(model->index(1, 0)).center();
    QTest::mouseClick(w->List->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w->List->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(w->LabelTotalSel->text().endsWith(" \\ " + user)) << Str(w->LabelTotalSel->text());
}

// Runs action, answering the message box it shows; gives the box's text
// and whether it was shown as plain text.
std::pair<QString, bool> MessageBoxOf(const std::function<void()>& action)
{
    std::pair<QString, bool> shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = {box->text(), box->textFormat() == Qt::PlainText};
            box->accept();
        }
    });
    action();
    return shown;
}

TEST_F(ReportChartTest, HostileNamesShowAsWritten)
{
    const QString domain = "<h1>BIGDOM</h1>";
    const QString user = "<b>eve</b>";
    ASSERT_TRUE(QDir().mkpath(TempPath("hostile")));
    {
        QFile log(TempPath("hostile/<img src=x.png>.txt"));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        log.write(("10/01/1998,02:35:18 AM,RemoteAccess,Information,None,20050,N/A,RAS2,The user " + domain + "\\" +
                   user +
                   " connected on port VPN1-0 on 10/01/1998 at 02:12am and disconnected on 10/01/1998 at 02:35am.  "
                   "The user was active for 23 minutes 18 seconds.  1882697 bytes were sent and 12629608 bytes were "
                   "received. The port speed was 57600.\r\n")
                      .toLatin1());
    }
    auto w = NewWindow();
    w->show();
    w->MenuViewChart->trigger();
    ScanOctober1998(*w, TempPath("hostile"));
    ASSERT_EQ(w->List->model()->rowCount(), 1);

    EXPECT_EQ(w->LabelTotalSel->text(), domain);
    EXPECT_EQ(w->LabelTotalSel->textFormat(), Qt::PlainText);
    EXPECT_EQ(w->LabelTotal->textFormat(), Qt::PlainText);
    for (int panel = 0; panel < StatusPanels::PanelCount; ++panel)
        EXPECT_EQ(w->Status->Panel(panel)->textFormat(), Qt::PlainText) << panel;
    QTextDocument tip;
    tip.setHtml(w->List->model()->index(0, 0).data(Qt::ToolTipRole).toString());
    EXPECT_EQ(tip.toPlainText(), user);
    // The chart's labels, as drawn.
    w->resize(900, 700);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QStringList drawn;
    for (QGraphicsItem* item : w->Chart->View()->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            drawn << text->toPlainText();
    EXPECT_TRUE(drawn.contains(user)) << Str(drawn.join(" | "));

    // Message boxes that carry file names.
    w->RealMessageBoxes = true;
    w->SaveAnswer = [&](QString& name, int& filter) {
        name = TempPath("missing/<h1><font color=red>X");
        filter = 2;
        return true;
    };
    const auto [saveError, savePlain] = MessageBoxOf([&] { w->MenuFileSaveClick(); });
    EXPECT_TRUE(saveError.contains("<h1><font color=red>X.txt")) << Str(saveError);
    EXPECT_TRUE(savePlain);
    TOpenFolder open(nullptr);
    open.EditFolder()->setText("<h1>nowhere</h1>");
    const auto [folderError, folderPlain] = MessageBoxOf([&] { open.BtOKClick(); });
    EXPECT_EQ(folderError, "Folder <h1>nowhere</h1> not found.");
    EXPECT_TRUE(folderPlain);
}

// DejaVu Sans is the one face of a fresh Debian machine; its digits run
// wider than its average character. Also at a 12-point font.
TEST_F(ReportChartTest, NoCellOfTheDemonstrationTablesIsCutInDejaVuSans)
{
    auto w = NewWindow();
    w->show();
    w->MenuHelpDemoClick();
    ASSERT_TRUE(WaitFor([&] { return !w->TaskRunning(); }));
    QFont atWindowSize(QStringLiteral("DejaVu Sans"));
    atWindowSize.setPixelSize(13);
    for (const QFont& font : {atWindowSize, QFont(QStringLiteral("DejaVu Sans"), 12)}) {
        ASSERT_EQ(Str(QFontInfo(font).family()), "DejaVu Sans");
        w->FontAnswer = [&](QFont& chosen, QColor&) {
            chosen = font;
            return true;
        };
        w->MenuOptFontClick();
        for (QAction* view : {w->MenuRptUsers, w->MenuRptDate}) {
            view->trigger();
            for (QTreeWidgetItemIterator it(w->Tree); *it; ++it) {
                w->Tree->setCurrentItem(*it);
                w->TreeClick();
                QCoreApplication::processEvents();
                for (int c = 0; c < w->List->model()->columnCount(); ++c)
                    EXPECT_LE(static_cast<QAbstractItemView*>(w->List)->sizeHintForColumn(c),
                              w->List->header()->sectionSize(c))
                        << font.toString().toStdString() << " " << Str(w->LabelTotalSel->text()) << " column " << c;
            }
        }
    }
}

}  // namespace
}  // namespace vy::uitest
