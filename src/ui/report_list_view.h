#pragma once
// The report list: rows of cells under column captions, without a grid or
// row captions. All rows are one height, so the view keeps nothing per row:
// a table of ten million rows shows as soon as one of ten.

#include <QTableView>

namespace vy {

class ReportListView : public QTableView {
    Q_OBJECT
public:
    explicit ReportListView(QWidget* parent = nullptr);

    // The column captions.
    QHeaderView* header() const { return horizontalHeader(); }
    // The widest cell of the column among the header's measured rows (a
    // thousand), from the first row shown.
    int sizeHintForColumn(int column) const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitRowHeight();
};

}  // namespace vy
