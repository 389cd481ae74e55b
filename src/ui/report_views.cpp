#include "ui/report_views.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QToolTip>
#include <QHeaderView>
#include <QTextDocument>
#include <QTreeWidget>

#include "ui/images.h"
#include "ui/report_list_view.h"

namespace vy {
namespace {

Qt::Alignment ToQt(Alignment align)
{
    switch (align) {
    case Alignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

const std::vector<ReportColumn> kNoColumns;

}  // namespace

ReportTableModel::ReportTableModel(QObject* parent) : QAbstractItemModel(parent) {}

void ReportTableModel::BeginChange()
{
    if (changing_)
        return;
    changing_ = true;
    beginResetModel();
}

void ReportTableModel::EndChange()
{
    if (!changing_)
        return;
    changing_ = false;
    endResetModel();
}

void ReportTableModel::ShowTable(const ReportTable* table)
{
    const bool own = !changing_;
    BeginChange();
    table_ = table;
    ownColumns_.clear();
    if (own)
        EndChange();
}

void ReportTableModel::ShowColumnsOnly(const std::vector<ReportColumn>& columns)
{
    const bool own = !changing_;
    BeginChange();
    table_ = nullptr;
    ownColumns_ = columns;
    if (own)
        EndChange();
}

const std::vector<ReportColumn>& ReportTableModel::ShownColumns() const
{
    if (table_)
        return table_->Columns;
    return ownColumns_.empty() ? kNoColumns : ownColumns_;
}

QModelIndex ReportTableModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex ReportTableModel::parent(const QModelIndex&) const { return QModelIndex(); }

int ReportTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !table_)
        return 0;
    return static_cast<int>(table_->Rows.size());
}

int ReportTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(ShownColumns().size());
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !table_ || changing_)
        return QVariant();
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    if (row >= table_->Rows.size())
        return QVariant();
    const ReportRow& r = table_->Rows[row];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        // A row may hold fewer cells than there are columns: those show empty.
        std::string buffer;
        const std::string_view cell = CellText(*table_, r, column, buffer);
        const QString text = ShownText(cell);
        if (role == Qt::DisplayRole)
            return text;
        // Tool tips guess rich text; a cell's text is shown as it is.
        return text.isEmpty() ? QVariant() : TipText(text, TipWidthLimit(nullptr));
    }
    case Qt::DecorationRole:
        if (column == 0)
            return TreeImage(r.Image);
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column < ShownColumns().size())
            return static_cast<int>(ToQt(ShownColumns()[column].Align));
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || changing_)
        return QVariant();
    const auto& columns = ShownColumns();
    const auto s = static_cast<std::size_t>(section);
    if (s >= columns.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(columns[s].Caption.data(), static_cast<qsizetype>(columns[s].Caption.size()));
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(ToQt(columns[s].Align));
    return QVariant();
}

Qt::ItemFlags ReportTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? CellFlags : Qt::NoItemFlags;
}

double ColumnScale(const QFont& font)
{
    // The widths were chosen for an 8-point system font whose average
    // character is 5 pixels wide; another font gets them in proportion.
    constexpr double designCharWidth = 5.0;
    const double scale = QFontMetricsF(font).averageCharWidth() / designCharWidth;
    return scale > 0 ? scale : 1.0;
}

int ScaledColumnWidth(int width, double scale)
{
    return static_cast<int>(std::lround(width * scale));
}

void ApplyColumnWidths(ReportListView& list, const ReportTableModel& model)
{
    const auto& columns = model.ShownColumns();
    const double scale = ColumnScale(list.font());
    // The chosen widths, in proportion to the font, are the least a column
    // gets; where a face's digits or letters run wider than its average
    // character, the cells and caption measured in that font widen it (the
    // view measures at most its first thousand rows).
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int column = static_cast<int>(c);
        const int width = std::max({ScaledColumnWidth(columns[c].Width, scale), static_cast<QAbstractItemView&>(list).sizeHintForColumn(column),
                                    list.header()->sectionSizeHint(column)});
        // A long name is cut (its tool tip shows it whole) before it pushes
        // the numbers out of sight.
        const int half = list.viewport()->width() / 2;
        list.header()->resizeSection(column, c == 0 && half > 0 ? std::min(width, half) : width);
    }
}

QString ShownText(std::string_view latin1)
{
    QString text = QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size()));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            c = QLatin1Char('?');
    return text;
}

QString TipText(const QString& plain, int maxWidth)
{
    const QFontMetrics metrics(QToolTip::font());
    QString broken;
    int width = 0;
    for (const QChar c : plain) {
        const int advance = metrics.horizontalAdvance(c);
        if (c == QLatin1Char('\n') || (width + advance > maxWidth && width > 0)) {
            broken += QLatin1Char('\n');
            width = 0;
            if (c == QLatin1Char('\n'))
                continue;
        }
        broken += c;
        width += advance;
    }
    return Qt::convertFromPlainText(broken, Qt::WhiteSpaceNoWrap);
}

int TipWidthLimit(const QWidget* widget)
{
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    // The tip's own frame and margins take a little of the screen too.
    return screen ? std::max(100, screen->availableGeometry().width() * 9 / 10) : 600;
}

QString CopiedRows(const ReportTableModel& model, const std::vector<int>& rows)
{
    const int columns = model.columnCount();
    auto line = [columns](const std::function<QString(int)>& cell) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << cell(c);
        return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text = line([&](int c) { return model.headerData(c, Qt::Horizontal).toString(); });
    for (int row : rows)
        text += line([&](int c) { return model.index(row, c).data().toString(); });
    return text;
}

int NodeOfItem(const QTreeWidgetItem* item)
{
    if (!item)
        return -1;
    bool ok = false;
    const int node = item->data(0, Qt::UserRole).toInt(&ok);
    return ok ? node : -1;
}

std::vector<QTreeWidgetItem*> FillTreeWidget(QTreeWidget& widget, const ReportTree& tree)
{
    const bool updates = widget.updatesEnabled();
    widget.setUpdatesEnabled(false);
    widget.clear();
    std::vector<QTreeWidgetItem*> items(static_cast<std::size_t>(tree.Count()), nullptr);
    QList<QTreeWidgetItem*> roots;
    // Display order puts every parent before its children.
    for (int node : tree.DisplayOrder()) {
        const ReportNode& n = tree.Node(node);
        auto* item = new QTreeWidgetItem;
        item->setText(0, ShownText(n.Text));
        item->setIcon(0, TreeImage(n.Image));
        item->setData(0, Qt::UserRole, node);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        items[static_cast<std::size_t>(node)] = item;
        if (n.Parent < 0)
            roots.append(item);
        else
            items[static_cast<std::size_t>(n.Parent)]->addChild(item);
    }
    widget.addTopLevelItems(roots);
    for (int node = 0; node < tree.Count(); ++node)
        if (tree.Node(node).Expanded && items[static_cast<std::size_t>(node)])
            items[static_cast<std::size_t>(node)]->setExpanded(true);
    widget.setUpdatesEnabled(updates);
    return items;
}

}  // namespace vy
