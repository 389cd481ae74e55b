#include "ui/report_list_view.h"

#include <algorithm>

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

namespace vy {

namespace {

// The whole row is selected, so the frame a table draws round its current
// cell would only mark one cell of it: rows are drawn without it.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell(option);
        cell.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, cell, index);
    }
};

}  // namespace

ReportListView::ReportListView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new RowDelegate(this));
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QAbstractItemView::iconSizeChanged, this, &ReportListView::FitRowHeight);
    FitRowHeight();
}

int ReportListView::sizeHintForColumn(int column) const
{
    const QAbstractItemModel* shown = model();
    if (!shown || column < 0 || column >= shown->columnCount())
        return -1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int first = std::max(0, rowAt(0));
    const int last = std::min(shown->rowCount(), first + horizontalHeader()->resizeContentsPrecision());
    int width = -1;
    for (int row = first; row < last; ++row) {
        const QModelIndex index = shown->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width;
}

void ReportListView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FitRowHeight();
}

void ReportListView::FitRowHeight()
{
    // The height of a row of an image and a line of text in this font, as
    // the cells' delegate measures it.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.text = QStringLiteral("Xg");
    option.decorationSize = iconSize().isValid() ? iconSize() : QSize(16, 16);
    verticalHeader()->setDefaultSectionSize(style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
}

}  // namespace vy
