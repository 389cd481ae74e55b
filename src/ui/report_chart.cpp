#include "ui/report_chart.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <string_view>

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLocale>
#include <QCursor>
#include <QScrollArea>
#include <QTextDocument>
#include <QToolTip>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QHelpEvent>
#include <QImage>
#include <QVBoxLayout>

#include "reports/report_tree_builder.h"
#include "reports/value_format.h"
#include "store/latin1_text.h"

namespace vy {

namespace {

const char* const kMeasureNames[] = {"Time", "Send", "Receive"};

std::int64_t RowValue(const ReportRow& row, ChartMeasure measure)
{
    switch (measure) {
    case ChartMeasure::Time: return std::max<std::int64_t>(0, row.Values.Seconds);
    case ChartMeasure::Send: return row.Values.Sent;
    case ChartMeasure::Receive: return row.Values.Received;
    }
    return 0;
}

}  // namespace

QString ChartValueText(std::int64_t value, ChartMeasure measure)
{
    // 64 bits throughout: the ticks of a large folder's times pass 2^31 seconds.
    if (measure == ChartMeasure::Time)
        return FromLatin1(SecondsToText(value));
    return FromLatin1(GroupDigits(",", value));
}

namespace {

// About five steps of a round size: seconds, minutes and hours for times,
// 1, 2 or 5 times a power of ten for byte counts.
std::int64_t TickStep(std::int64_t largest, ChartMeasure measure)
{
    const std::int64_t wanted = std::max<std::int64_t>(1, (largest + 4) / 5);
    std::int64_t unit = 1;
    if (measure == ChartMeasure::Time) {
        for (std::int64_t step : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200})
            if (step >= wanted)
                return step;
        unit = 86400;
    }
    for (std::int64_t power = unit; power <= std::numeric_limits<std::int64_t>::max() / 10; power *= 10)
        for (std::int64_t times : {1, 2, 5})
            if (times * power >= wanted)
                return times * power;
    return wanted;
}

// The chart's text items take markup; names from the logs are escaped so
// that they show as written.
QString AsMarkup(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace

ChartData ChartOf(const ReportTable& table, int reportKind, ChartMeasure measure)
{
    ChartData data;
    data.TableRows = static_cast<int>(table.Rows.size());
    if (table.Columns.empty())
        return data;
    data.DateColumns = reportKind == 6 || reportKind == 7;

    std::vector<int> rows;
    const std::size_t count = data.DateColumns ? table.Rows.size()
                                               : std::min<std::size_t>(table.Rows.size(), ChartRowLimit);
    rows.reserve(count);
    for (std::size_t r = 0; r < count; ++r)
        rows.push_back(static_cast<int>(r));
    if (data.DateColumns) {
        // Month and day rows' keys grow with the date.
        const auto key = [&](int r) { return table.Rows[static_cast<std::size_t>(r)].Key; };
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return key(a) < key(b); });
        if (rows.size() > static_cast<std::size_t>(ChartRowLimit))
            rows.resize(ChartRowLimit);
    }
    std::string buffer;
    for (int r : rows) {
        const ReportRow& row = table.Rows[static_cast<std::size_t>(r)];
        ChartBar bar;
        bar.Label = FromLatin1(CellText(table, row, 0, buffer));
        bar.Value = RowValue(row, measure);
        bar.Row = r;
        data.Bars.push_back(std::move(bar));
    }
    return data;
}

ReportChart::ReportChart(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(2);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 0, 4, 0);
    auto* caption = new QLabel(QStringLiteral("Chart of:"), this);
    measure_ = new QComboBox(this);
    measure_->setObjectName(QStringLiteral("ChartMeasure"));
    for (const char* name : kMeasureNames)
        measure_->addItem(QLatin1String(name));
    caption->setBuddy(measure_);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("ChartNote"));
    note_->setTextFormat(Qt::PlainText);
    strip->addWidget(caption);
    strip->addWidget(measure_);
    strip->addSpacing(12);
    strip->addWidget(note_, 1);
    column->addLayout(strip);

    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Bars keep a height their labels fit in; a long table scrolls.
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);

    view_ = new QChartView(chart);
    view_->setObjectName(QStringLiteral("ChartView"));
    scroll_->setWidget(view_);
    view_->setRenderHint(QPainter::Antialiasing);
    auto* save = new QAction(QStringLiteral("Save Chart..."), view_);
    save->setObjectName(QStringLiteral("SaveChart"));
    view_->addAction(save);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    view_->viewport()->installEventFilter(this);
    column->addWidget(scroll_, 1);

    connect(measure_, &QComboBox::currentIndexChanged, this, &ReportChart::MeasureChanged);
    connect(save, &QAction::triggered, this, &ReportChart::SaveRequested);
}

QChart* ReportChart::Chart() const { return view_->chart(); }

ChartMeasure ReportChart::Measure() const
{
    return static_cast<ChartMeasure>(std::clamp(measure_->currentIndex(), 0, 2));
}

void ReportChart::SetMeasure(ChartMeasure measure) { measure_->setCurrentIndex(static_cast<int>(measure)); }

void ReportChart::ShowTable(const ReportTable* table, int reportKind)
{
    const ChartMeasure measure = Measure();
    shown_ = table ? ChartOf(*table, reportKind, measure) : ChartData{};
    hoveredBar_ = -1;

    QChart* chart = Chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    note_->setText(shown_.TableRows > static_cast<int>(shown_.Bars.size()) && !shown_.Bars.empty()
                       ? QStringLiteral("The first %1 of %2 rows")
                             .arg(shown_.Bars.size())
                             .arg(FromLatin1(GroupDigits(",", shown_.TableRows)))
                       : QString());
    view_->setMinimumSize(0, 0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    if (shown_.Bars.empty())
        return;

    auto* set = new QBarSet(QLatin1String(kMeasureNames[static_cast<int>(measure)]));
    connect(set, &QBarSet::hovered, this, [this](bool inside, int entry) {
        hoveredBar_ = inside ? BarOfEntry(entry) : -1;
        if (inside)
            QToolTip::showText(QCursor::pos(), BarTip(hoveredBar_), view_);
        else
            QToolTip::hideText();
    });
    connect(set, &QBarSet::clicked, this, [this](int entry) {
        if (const int bar = BarOfEntry(entry); bar >= 0)
            emit RowClicked(shown_.Bars[static_cast<std::size_t>(bar)].Row);
    });
    connect(set, &QBarSet::doubleClicked, this, [this](int entry) {
        if (const int bar = BarOfEntry(entry); bar >= 0)
            emit RowDoubleClicked(shown_.Bars[static_cast<std::size_t>(bar)].Row);
    });
    auto* categories = new QBarCategoryAxis;
    // The axis keeps one category per text: repeated captions get a number.
    std::map<QString, int> seen;
    QStringList labels;
    std::int64_t largest = 0;
    for (const ChartBar& bar : shown_.Bars) {
        largest = std::max(largest, bar.Value);
        const int repeat = seen[bar.Label]++;
        labels << AsMarkup(repeat == 0 ? bar.Label : bar.Label + QStringLiteral(" (%1)").arg(repeat + 1));
    }
    // Bars stand from the bottom up: the list's first row goes last, so
    // that it is drawn at the top.
    for (std::size_t i = 0; i < shown_.Bars.size(); ++i) {
        const std::size_t bar = shown_.DateColumns ? i : shown_.Bars.size() - 1 - i;
        set->append(static_cast<qreal>(shown_.Bars[bar].Value));
        categories->append(labels[static_cast<qsizetype>(bar)]);
    }

    const std::int64_t step = TickStep(largest, measure);
    const std::int64_t steps = std::max<std::int64_t>(1, (largest + step - 1) / step);
    auto* values = new QCategoryAxis;
    values->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    values->setStartValue(0);
    for (std::int64_t i = 1; i <= steps; ++i)
        values->append(AsMarkup(ChartValueText(i * step, measure)), static_cast<qreal>(i * step));
    values->setRange(0, static_cast<qreal>(steps * step));

    QAbstractBarSeries* series = nullptr;
    if (shown_.DateColumns)
        series = new QBarSeries;
    else
        series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    // Above the bars, the values stay in sight when a long chart scrolls.
    chart->addAxis(categories, shown_.DateColumns ? Qt::AlignBottom : Qt::AlignLeft);
    chart->addAxis(values, shown_.DateColumns ? Qt::AlignLeft : Qt::AlignTop);
    series->attachAxis(categories);
    series->attachAxis(values);

    // Room for every bar's label, and for the last value label, which
    // stands centred on the end of the value axis.
    const QFontMetrics metrics(values->labelsFont());
    if (shown_.DateColumns) {
        int widest = 0;
        for (const ChartBar& bar : shown_.Bars)
            widest = std::max(widest, metrics.horizontalAdvance(bar.Label));
        view_->setMinimumWidth(static_cast<int>(shown_.Bars.size()) * (widest + metrics.height()) +
                               metrics.horizontalAdvance(ChartValueText(steps * step, measure)) + 4 * metrics.height());
    } else {
        view_->setMinimumHeight(static_cast<int>(shown_.Bars.size() + 3) * 2 * metrics.height());
        // Every value label whole, beside the widest caption.
        int widestCaption = 0;
        for (const ChartBar& bar : shown_.Bars)
            widestCaption = std::max(widestCaption, metrics.horizontalAdvance(bar.Label));
        int widestTick = 0;
        for (std::int64_t i = 1; i <= steps; ++i)
            widestTick = std::max(widestTick, metrics.horizontalAdvance(ChartValueText(i * step, measure)));
        view_->setMinimumWidth(std::min(widestCaption, view_->width() / 2) +
                               static_cast<int>(steps) * (widestTick + metrics.height()) + 4 * metrics.height());
    }
    const QStringList ticks = values->categoriesLabels();
    const int overhang = ticks.isEmpty() ? 0 : metrics.horizontalAdvance(ChartValueText(steps * step, measure)) / 2;
    chart->setMargins(shown_.DateColumns ? QMargins(4, 4 + metrics.height() / 2, 4, 4) : QMargins(4, 4, 4 + overhang, 4));
}

int ReportChart::BarOfEntry(int entry) const
{
    const int bars = static_cast<int>(shown_.Bars.size());
    if (entry < 0 || entry >= bars)
        return -1;
    // Row charts stand from the bottom up (see ShowTable).
    return shown_.DateColumns ? entry : bars - 1 - entry;
}

QString ReportChart::BarTip(int bar) const
{
    if (bar < 0 || bar >= static_cast<int>(shown_.Bars.size()))
        return QString();
    const ChartBar& b = shown_.Bars[static_cast<std::size_t>(bar)];
    // Tool tips guess rich text; names from the logs are shown as written.
    return Qt::convertFromPlainText(b.Label + QStringLiteral(": ") + ChartValueText(b.Value, Measure()),
                                    Qt::WhiteSpaceNoWrap);
}

bool ReportChart::SaveImage(const QString& file, const QString& title)
{
    QChart* chart = Chart();
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setTitle(AsMarkup(title));
    const QImage image = Grab();
    chart->setTitle(QString());
    return image.save(file, "PNG");
}

QImage ReportChart::Grab() const
{
    // A new title is placed when the chart is next laid out, and the items of
    // replaced axes go when deleted later: both now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QGraphicsLayout* layout = Chart()->layout())
        layout->activate();
    return view_->grab().toImage();
}

bool ReportChart::eventFilter(QObject* watched, QEvent* event)
{
    // The scene hides every tool tip its items do not have: the bar's own
    // stays while the pointer is on it.
    if (watched == view_->viewport() && event->type() == QEvent::ToolTip && hoveredBar_ >= 0) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), BarTip(hoveredBar_), view_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vy
