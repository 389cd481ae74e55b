// The list model over a report table and the tree widget filled from a
// report tree.

#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QFontMetrics>
#include <QTextDocument>
#include <QToolTip>
#include <QRegularExpression>

#include "support/fixtures.h"
#include "ui/images.h"
#include "ui/main_window_support.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"

namespace vy::uitest {
namespace {

ReportTable SampleTable()
{
    ReportTable table;
    table.Columns = {{"User", 100, Alignment::Left}, {"Time", 80, Alignment::Right}, {"Day", 60, Alignment::Center}};
    table.Rows = {{{"alice", "1:02:03", "Mon"}, 2}, {{"b\xe9la", "0:00:09"}, 2}};
    return table;
}

class ReportViewsTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(ReportViewsTest, ModelShowsCellsCaptionsAlignmentsAndImages)
{
    const ReportTable table = SampleTable();
    ReportTableModel model;
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    model.ShowTable(&table);
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(Str(model.headerData(0, Qt::Horizontal).toString()), "User");
    EXPECT_EQ(Str(model.headerData(2, Qt::Horizontal).toString()), "Day");
    EXPECT_FALSE(model.headerData(3, Qt::Horizontal).isValid());
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(Str(model.index(0, 1).data().toString()), "1:02:03");
    // Bytes above 127 are Latin-1 characters.
    EXPECT_EQ(model.index(1, 0).data().toString(), QString::fromUtf8("b\xc3\xa9la"));
    // A row shorter than the columns shows empty cells.
    EXPECT_EQ(model.index(1, 2).data().toString(), QString());
    EXPECT_EQ(model.index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));
    EXPECT_EQ(model.index(0, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(model.index(0, 2).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignHCenter | Qt::AlignVCenter));
    // The row's image in the first column only.
    const QIcon icon = qvariant_cast<QIcon>(model.index(0, 0).data(Qt::DecorationRole));
    EXPECT_EQ(icon.pixmap(16).toImage(), TreeImage(2).pixmap(16).toImage());
    EXPECT_FALSE(model.index(0, 1).data(Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.index(5, 0).isValid());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
}

TEST_F(ReportViewsTest, ChangesAreAnnouncedAsResets)
{
    ReportTable table = SampleTable();
    ReportTableModel model;
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.ShowTable(&table);
    EXPECT_EQ(reset.count(), 1);
    model.BeginChange();
    table.Rows.pop_back();
    model.ShowTable(&table);  // inside a change: one reset in all
    model.EndChange();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(ReportViewsTest, ColumnsOnlyKeepsACopyAndNoRows)
{
    ReportTableModel model;
    {
        ReportTable table = SampleTable();
        model.ShowColumnsOnly(table.Columns);
    }  // the table is gone; the model still has its columns
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(Str(model.headerData(1, Qt::Horizontal).toString()), "Time");
    EXPECT_EQ(model.Shown(), nullptr);

    ReportListView view;
    view.setModel(&model);
    view.resize(2000, 300);  // wide enough that no column is held to half of it
    // The widths keep their proportions and grow with the font.
    view.header()->setStretchLastSection(false);
    QFont font = view.font();
    font.setPixelSize(12);
    view.setFont(font);
    ApplyColumnWidths(view, model);
    const int first = view.header()->sectionSize(0);
    for (int c = 1; c < 3; ++c)
        EXPECT_NEAR(view.header()->sectionSize(c) * 100.0 / first,
                    model.ShownColumns()[c].Width * 100.0 / model.ShownColumns()[0].Width, 1.0);
    font.setPixelSize(24);
    view.setFont(font);
    ApplyColumnWidths(view, model);
    EXPECT_NEAR(view.header()->sectionSize(0), 2 * first, 0.1 * first);
}

TEST_F(ReportViewsTest, AMillionRowsShowWithoutCopying)
{
    ReportTable table;
    table.Columns = {{"Date", 100, Alignment::Left}, {"Bytes", 100, Alignment::Right}};
    table.Rows.assign(1000000, ReportRow{{"1/1/2000", "1"}, 0});
    table.Rows.back().Cells[1] = "last";
    ReportTableModel model;
    model.ShowTable(&table);
    EXPECT_EQ(model.rowCount(), 1000000);
    EXPECT_EQ(Str(model.index(999999, 1).data().toString()), "last");
    ReportListView view;
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    QCoreApplication::processEvents();
    const QModelIndex last = model.index(999999, 0);
    EXPECT_FALSE(view.viewport()->rect().intersects(view.visualRect(last)));
    view.scrollTo(last);
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.viewport()->rect().intersects(view.visualRect(last)));
    EXPECT_EQ(view.indexAt(view.visualRect(last).center()).row(), 999999);
    // The rows follow the font: a line of a larger one fits in a row.
    QFont font = view.font();
    font.setPixelSize(40);
    view.setFont(font);
    EXPECT_GE(view.visualRect(last).height(), QFontMetrics(font).height());
}

ReportTree SampleTree()
{
    ReportTree tree;
    const int domain = tree.AddRoot("Local", ImageDomain);
    tree.AddChildLast(domain, "alice", ImageUser);
    const int server = vy::testing::AddChildFirst(tree, domain, "SRV1", ImageServer);
    const int port = tree.AddChildLast(server, "COM1", ImagePort);
    tree.AddChildLast(port, "28800", ImageSpeed);
    tree.AddRoot("Other", ImageDomain);
    tree.Node(domain).Expanded = true;
    return tree;
}

TEST_F(ReportViewsTest, TreeWidgetHoldsTheNodesInOrderWithImagesAndIndexes)
{
    const ReportTree tree = SampleTree();
    QTreeWidget widget;
    widget.addTopLevelItem(new QTreeWidgetItem(QStringList{"stale"}));
    const std::vector<QTreeWidgetItem*> items = FillTreeWidget(widget, tree);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(tree.Count()));
    ASSERT_EQ(widget.topLevelItemCount(), 2);
    QTreeWidgetItem* local = widget.topLevelItem(0);
    EXPECT_EQ(Str(local->text(0)), "Local");
    EXPECT_TRUE(local->isExpanded());
    EXPECT_FALSE(widget.topLevelItem(1)->isExpanded());
    ASSERT_EQ(local->childCount(), 2);
    // The server was added first, so it stands before the user.
    EXPECT_EQ(Str(local->child(0)->text(0)), "SRV1");
    EXPECT_EQ(Str(local->child(1)->text(0)), "alice");
    EXPECT_EQ(Str(local->child(0)->child(0)->child(0)->text(0)), "28800");
    for (int node = 0; node < tree.Count(); ++node) {
        QTreeWidgetItem* item = items[static_cast<std::size_t>(node)];
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(NodeOfItem(item), node);
        EXPECT_EQ(item->text(0).toStdString(), tree.Node(node).Text);
        EXPECT_EQ(item->icon(0).pixmap(16).toImage(), TreeImage(tree.Node(node).Image).pixmap(16).toImage());
        EXPECT_FALSE(item->flags() & Qt::ItemIsEditable);
    }
    EXPECT_EQ(NodeOfItem(nullptr), -1);

    FillTreeWidget(widget, ReportTree{});
    EXPECT_EQ(widget.topLevelItemCount(), 0);
}

TEST_F(ReportViewsTest, ControlCharactersShowAsQuestionMarksAndLongTipsWrap)
{
    EXPECT_EQ(ShownText("SRV\tV\x01\x7f\x85\xe9"), QString::fromUtf8("SRV?V???\u00e9"));
    const QString name(300, QLatin1Char('W'));
    QTextDocument tip;
    tip.setHtml(TipText(name, 200));
    tip.setDefaultFont(QToolTip::font());
    const QStringList lines = tip.toPlainText().split(QRegularExpression("[\\n\\x{2028}]"));
    EXPECT_GT(lines.size(), 1);
    EXPECT_EQ(lines.join(QString()), name);
    EXPECT_LE(tip.idealWidth(), 200 + 2 * tip.documentMargin() + QFontMetrics(QToolTip::font()).maxWidth());
}

}  // namespace
}  // namespace vy::uitest
