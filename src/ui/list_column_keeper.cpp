#include "ui/list_column_keeper.h"

#include <algorithm>

#include <QEvent>
#include <QHeaderView>

#include "settings/list_column_state.h"
#include "settings/settings.h"
#include "ui/report_list_view.h"

namespace vy {

ListColumnKeeper::ListColumnKeeper(ReportListView& list, QAbstractItemModel& table, std::function<int()> kind)
    : QObject(&list), list_(list), kind_(std::move(kind))
{
    QHeaderView* header = list.header();
    header->setSectionsMovable(true);
    header->viewport()->installEventFilter(this);
    // A new table gets its widths from the window first; the kept ones
    // follow once that is done.
    connect(&table, &QAbstractItemModel::modelReset, this, &ListColumnKeeper::Apply, Qt::QueuedConnection);
    connect(header, &QHeaderView::sectionMoved, this, [this] {
        if (!applying_)
            Record();
    });
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (pressed_ && !applying_)
            resized_ = true;
    });
}

bool ListColumnKeeper::eventFilter(QObject* watched, QEvent* event)
{
    // Only a resize the user drags (or double-clicks) is kept; the window's
    // own widths are made afresh for each font.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        pressed_ = true;
        break;
    case QEvent::MouseButtonRelease:
        pressed_ = false;
        if (std::exchange(resized_, false))
            Record();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void ListColumnKeeper::Apply()
{
    const auto states = ParseListColumns(ProcessSettings().ListColumns);
    const auto kept = states.find(kind_());
    QHeaderView* header = list_.header();
    applying_ = true;
    // A kind kept nothing for shows its columns as made, in their order.
    if (kept == states.end() || static_cast<int>(kept->second.Widths.size()) != header->count()) {
        for (int column = 0; column < header->count(); ++column)
            header->moveSection(header->visualIndex(column), column);
        applying_ = false;
        return;
    }
    const ListColumnState& state = kept->second;
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column, state.Widths[static_cast<std::size_t>(column)]);
    for (int place = 0; place < header->count(); ++place)
        header->moveSection(header->visualIndex(state.Order[static_cast<std::size_t>(place)]), place);
    applying_ = false;
}

void ListColumnKeeper::Record()
{
    const int kind = kind_();
    QHeaderView* header = list_.header();
    if (kind <= 0 || header->count() == 0)
        return;
    ListColumnState state;
    for (int column = 0; column < header->count(); ++column)
        state.Widths.push_back(std::max(1, header->sectionSize(column)));
    for (int place = 0; place < header->count(); ++place)
        state.Order.push_back(header->logicalIndex(place));
    Settings& s = ProcessSettings();
    auto states = ParseListColumns(s.ListColumns);
    states[kind] = std::move(state);
    s.ListColumns = ListColumnsText(states);
}

}  // namespace vy
