#pragma once
// The widgets' side of a report: a list model over a ReportTable, and the
// filling of a tree widget from a ReportTree.

#include <string_view>
#include <vector>

#include <QAbstractItemModel>

#include "reports/report_table.h"
#include "reports/report_tree.h"

class QFont;
class QWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vy {

// Shows a ReportTable that lives elsewhere (the report session) without
// copying it, so a table of a million rows appears at once. While a scan
// owns the session the model shows only a copy of the columns.
class ReportListView;
class ReportTableModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit ReportTableModel(QObject* parent = nullptr);

    // Every change of the shown table goes between these two calls.
    void BeginChange();
    void EndChange();

    // The table to show; it must outlive its showing.
    void ShowTable(const ReportTable* table);
    // No rows, and these columns; the model keeps its own copy.
    void ShowColumnsOnly(const std::vector<ReportColumn>& columns);
    const ReportTable* Shown() const { return table_; }
    const std::vector<ReportColumn>& ShownColumns() const;

    // Every cell's flags: each view asks them of every row it lays out.
    static constexpr Qt::ItemFlags CellFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const ReportTable* table_ = nullptr;
    std::vector<ReportColumn> ownColumns_;
    bool changing_ = false;
};

// The factor by which column widths grow for a font wider than the one the
// widths were chosen for (1 where the font matches), and a width scaled so.
double ColumnScale(const QFont& font);
int ScaledColumnWidth(int width, double scale);
// Sets the list's column widths from the shown table's columns, scaled to
// the list's font.
void ApplyColumnWidths(ReportListView& list, const ReportTableModel& model);

// The header and the given rows (in that order) as tab-separated lines of
// the shown cell texts.
QString CopiedRows(const ReportTableModel& model, const std::vector<int>& rows);

// A name or cell from the logs as shown: single-byte text with every
// control character shown as "?".
QString ShownText(std::string_view latin1);
// A plain text as a tool tip no wider than maxWidth pixels in the tool
// tips' font: lines broken where they would pass it.
QString TipText(const QString& plain, int maxWidth);
// The widest a tool tip may be on the screen of widget.
int TipWidthLimit(const QWidget* widget);

// The node index a tree item stands for; -1 for none.
int NodeOfItem(const QTreeWidgetItem* item);

// Replaces the tree widget's items with the tree's nodes, in their order,
// with their images and expansion state. Returns the item of each node,
// indexed by node.
std::vector<QTreeWidgetItem*> FillTreeWidget(QTreeWidget& widget, const ReportTree& tree);

}  // namespace vy
