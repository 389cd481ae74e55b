// The report commands (views, tree click, drill-down, sort) run on the
// session at once, or as the window's task when they are big; and the
// session mirrored into the tree, the list and the totals.

#include "ui/mainform.h"

#include <exception>
#include <utility>

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>

#include "reports/date_text.h"
#include "store/latin1_text.h"
#include "store/stores.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"

namespace vy {

namespace {

const QString kBuilding = QStringLiteral("Building the table\u2026");
const QString kSorting = QStringLiteral("Sorting\u2026");

// The work of a command that reads the whole store grows with it.
std::size_t StoredRecords(const Stores& stores) { return static_cast<std::size_t>(stores.Connections.Count()); }

}  // namespace

void TMain::RunReportCommand(ReportStep step)
{
    if (!session_)
        return;
    if (step.Records >= threadedFrom_ && StartReportTask(step))
        return;
    SortError error;
    listModel_->BeginChange();
    try {
        error = step.Command(*session_, std::stop_token());
    } catch (const std::exception& e) {
        error = std::string(e.what());
    }
    EndReportCommand(step, error);
}

bool TMain::StartReportTask(ReportStep& step)
{
    // Until the command ends the table is the task's: the list keeps a copy
    // of its columns only, as during a scan.
    listModel_->ShowColumnsOnly(session_->Table.Columns);
    auto error = std::make_shared<SortError>();
    const bool started = task_.Start(
        session_,
        [command = step.Command, error](ReportSession& session, const TaskRun& run) {
            try {
                *error = command(session, run.Stop);
            } catch (const std::exception& e) {
                *error = std::string(e.what());
            } catch (...) {
                *error = std::string("The table could not be made.");
            }
        },
        [this, step, error](std::unique_ptr<ReportSession> back) {
            session_ = std::move(back);
            if (closing_)
                return;
            Status->SetText(1, QString());
            unsetCursor();
            EndReportCommand(step, *error);
            SessionBack();
        });
    if (!started)
        return false;
    ApplyColumnWidths(*List, *listModel_);
    UpdateChart();
    Status->SetText(1, step.BusyText);
    setCursor(Qt::BusyCursor);
    return true;
}

void TMain::EndReportCommand(const ReportStep& step, const SortError& error)
{
    listModel_->ShowTable(&session_->Table);
    listModel_->EndChange();
    ApplyColumnWidths(*List, *listModel_);
    if (step.TreeChanged)
        MirrorTree();
    MirrorTableAndLabels();
    MirrorReportChecks();
    UpdateChart();
    if (error)
        ShowError(FromLatin1(*error));
    if (step.After)
        step.After();
}

void TMain::SessionBack()
{
    // A Go pressed during the build comes first; it rebuilds everything.
    if (scanWaiting_) {
        queuedClick_ = nullptr;
        LaunchScan();
        return;
    }
    if (queuedClick_)
        std::exchange(queuedClick_, nullptr)();
}

bool TMain::HeldWhileBusy(std::function<void()> click)
{
    if (session_)
        return false;
    // During a scan the click is dropped: the scan's end shows its own table.
    if (!taskIsScan_)
        queuedClick_ = std::move(click);
    return true;
}

void TMain::MenuRptUsersClick()
{
    if (HeldWhileBusy([this] { MenuRptUsersClick(); }))
        return;
    Stores& stores = ProcessStores();
    const bool stop = lastScanStopped_;
    RunReportCommand({true, StoredRecords(stores), kBuilding,
                      [&stores, stop](ReportSession& session, const std::stop_token&) {
                          return ShowUsersView(session, stores, stop, ProcessDateTexts());
                      },
                      nullptr});
}

void TMain::MenuRptDateClick()
{
    if (HeldWhileBusy([this] { MenuRptDateClick(); }))
        return;
    Stores& stores = ProcessStores();
    RunReportCommand({true, StoredRecords(stores), kBuilding,
                      [&stores](ReportSession& session, const std::stop_token&) {
                          return ShowDateView(session, stores, ProcessDateTexts());
                      },
                      nullptr});
}

void TMain::TreeClick()
{
    // The node is read when the command runs: a queued click shows the
    // tree's selection of that moment.
    if (HeldWhileBusy([this] { TreeClick(); }))
        return;
    const QList<QTreeWidgetItem*> selected = Tree->selectedItems();
    const int node = selected.isEmpty() ? NodeOfItem(Tree->currentItem()) : NodeOfItem(selected.front());
    const Stores& stores = ProcessStores();
    RunReportCommand({false, StoredRecords(stores), kBuilding,
                      [&stores, node](ReportSession& session, const std::stop_token&) {
                          return vy::TreeClick(session, stores, node, ProcessDateTexts());
                      },
                      nullptr});
}

void TMain::ListDblClick()
{
    // Without the session the list is empty: there is no row to open.
    if (!session_)
        return;
    const int row = ListRow();
    const int opened = session_->CurrentNode;
    const Stores& stores = ProcessStores();
    // The drill-down opens the node it came from one level in the tree.
    auto expand = [this, opened] {
        if (opened >= 0 && opened < session_->Tree.Count() && session_->Tree.Node(opened).Expanded &&
            static_cast<std::size_t>(opened) < treeItems_.size() && treeItems_[static_cast<std::size_t>(opened)])
            treeItems_[static_cast<std::size_t>(opened)]->setExpanded(true);
    };
    RunReportCommand({false, StoredRecords(stores), kBuilding,
                      [&stores, row](ReportSession& session, const std::stop_token&) {
                          return vy::ListDblClick(session, stores, row, ProcessDateTexts());
                      },
                      expand});
}

void TMain::ListColumnClick(int column)
{
    if (HeldWhileBusy([this, column] { ListColumnClick(column); }))
        return;
    RunReportCommand({false, session_->Table.Rows.size(), kSorting,
                      [column](ReportSession& session, const std::stop_token&) {
                          return vy::ListColumnClick(session, column);
                      },
                      nullptr});
}

// ---- mirroring the session into the widgets

void TMain::MirrorTree()
{
    // Filling moves the current item; that is no move of the user's.
    fillingTree_ = true;
    treeItems_ = FillTreeWidget(*Tree, session_->Tree);
    fillingTree_ = false;
    ResetHistory();
}

void TMain::SetLabel(QLabel* label, const std::string& text)
{
    // A path or totals line longer than the panel is cut; the tool tip has it whole.
    const QString whole = ShownText(text);
    label->setText(whole);
    label->setToolTip(label->fontMetrics().horizontalAdvance(whole) > label->width() ? TipText(whole, TipWidthLimit(label))
                                                                                       : QString());
}

void TMain::MirrorTableAndLabels()
{
    SetLabel(LabelTotalSel, session_->NodePathText);
    SetLabel(LabelTotal, session_->LabelTotal);
    BevelLine->setVisible(session_->ReportShown);
    NoteShownNode();
    if (session_->ReportShown) {
        EmptyPane->hide();
        ListSplitter->show();
    }
    // The header shows the column of the current sort and its direction.
    const bool sorted = session_->SortColumn >= 0 && session_->SortColumn < listModel_->columnCount();
    List->header()->setSortIndicator(sorted ? session_->SortColumn : -1,
                                      session_->SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // Drawn now, not at the header's next repaint.
    List->header()->viewport()->update();
    List->viewport()->update();
}

void TMain::MirrorReportChecks()
{
    MenuRptUsers->setChecked(session_->UsersChecked);
    MenuRptDate->setChecked(session_->DateChecked);
}


}  // namespace vy
