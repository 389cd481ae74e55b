#pragma once
// The filter box above the report list: the rows of the shown table whose
// cells contain its text, in the table's own order, and the totals of the
// rows shown beside the totals of all.

#include <QObject>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QWidget;

namespace vy {

class ReportTableModel;
class RowFilterModel;

class ListFilter : public QObject {
    Q_OBJECT
public:
    ListFilter(ReportTableModel& table, QWidget* parent);

    QLineEdit* Edit() const { return edit_; }
    // The totals of the rows shown; hidden while the box is empty.
    QLabel* ShownTotals() const { return totals_; }
    // What the list shows: the table's rows that pass.
    QAbstractItemModel* View() const;
    // The table's row of a row of the view (-1 for none), and back (invalid
    // for a row the filter hides).
    int TableRow(const QModelIndex& viewIndex) const;
    QModelIndex ViewIndex(int tableRow) const;

private:
    void UpdateTotals();

    ReportTableModel& table_;
    RowFilterModel* proxy_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QLabel* totals_ = nullptr;
};

}  // namespace vy
