#pragma once
// Keeps the report list's column widths and order per table kind: what the
// user drags in the header is stored in the window settings (ListColumns)
// and given back whenever a table of that kind is shown, in this run and
// the next.

#include <functional>

#include <QObject>

class QAbstractItemModel;

namespace vy {

class ReportListView;

class ListColumnKeeper : public QObject {
    Q_OBJECT
public:
    // kind: the kind of the table the list shows; 0 while none is.
    ListColumnKeeper(ReportListView& list, QAbstractItemModel& table, std::function<int()> kind);

    // Gives the shown kind its kept widths and order, if any.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Record();

    ReportListView& list_;
    std::function<int()> kind_;
    bool pressed_ = false;   // a mouse button is down on the header
    bool resized_ = false;   // and has resized a column meanwhile
    bool applying_ = false;
};

}  // namespace vy
