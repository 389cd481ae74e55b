#pragma once
// A chart of the shown report table: one bar per row in the list's order, or
// for the tables of months and days one column per month or day in date
// order, with the values of the table's rows.

#include <cstdint>
#include <vector>

#include <QString>
#include <QWidget>

#include "reports/report_table.h"

class QChart;
class QImage;
class QChartView;
class QComboBox;
class QLabel;
class QScrollArea;

namespace vy {

enum class ChartMeasure { Time, Send, Receive };

struct ChartBar {
    QString Label;  // the row's caption, as the list shows it
    std::int64_t Value = 0;
    int Row = 0;  // the table row it stands for
};

struct ChartData {
    std::vector<ChartBar> Bars;
    bool DateColumns = false;  // columns over months or days in date order
    int TableRows = 0;         // rows of the table, of which Bars show the first
};

// At most this many rows are drawn; the chart says when there are more.
constexpr int ChartRowLimit = 50;

// The bars of the table of report kind `reportKind` for one measure, from
// the rows' values (seconds, bytes); a table without columns gives no bars.
ChartData ChartOf(const ReportTable& table, int reportKind, ChartMeasure measure);
// A value as the chart's axis and tool tips write it.
QString ChartValueText(std::int64_t value, ChartMeasure measure);

// The chart pane: a choice of measure, a note when rows were left out, and
// the chart itself, whose context menu saves it as a PNG image.
class ReportChart : public QWidget {
    Q_OBJECT
public:
    explicit ReportChart(QWidget* parent = nullptr);

    // Draws the table (nothing for nullptr); the table is read only here,
    // and drawn again from its owner when the measure changes.
    void ShowTable(const ReportTable* table, int reportKind);
    ChartMeasure Measure() const;
    void SetMeasure(ChartMeasure measure);
    // Writes the chart as a PNG image with the title above it; false when
    // the file cannot be written.
    bool SaveImage(const QString& file, const QString& title);
    // The chart as shown now, laid out for its current title.
    QImage Grab() const;
    // The text a bar's tool tip shows: its caption and exact value.
    QString BarTip(int bar) const;

    QComboBox* MeasureBox() const { return measure_; }
    QLabel* Note() const { return note_; }
    QChartView* View() const { return view_; }
    QChart* Chart() const;
    // What the chart shows now.
    const ChartData& Shown() const { return shown_; }

signals:
    void MeasureChanged();
    void SaveRequested();
    // A bar clicked or double-clicked: the table row it stands for.
    void RowClicked(int row);
    void RowDoubleClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The bar of each entry of the drawn bar set.
    int BarOfEntry(int entry) const;

    QComboBox* measure_ = nullptr;
    QLabel* note_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QChartView* view_ = nullptr;
    ChartData shown_;
    int hoveredBar_ = -1;  // the bar under the pointer, -1 none
};

}  // namespace vy
