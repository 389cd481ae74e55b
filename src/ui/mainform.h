#pragma once
// The main window: menus, toolbar, date strip, report tree and list with the
// totals panel, progress bar and status bar, and the commands of the window.
// Its parts live in rooms of their own: mainform.cpp (building, start and
// end, bars), main_menus.cpp (menus and the window's own commands),
// main_scan.cpp (Go, Stop and the scan's end), main_reports.cpp (the report
// commands and the mirroring of the session), main_report_pane.cpp (list,
// totals and chart), main_output.cpp (save, copy and the dialogs).

#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

#include <QColor>
#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>

#include "reports/node_history.h"
#include "reports/report_session.h"
#include "ui/report_chart.h"
#include "ui/scan_offer.h"
#include "ui/scan_task.h"
#include "ui/session_task.h"
#include "ui/status_panels.h"

class QAction;
class QDateEdit;
class QDialog;
class QFileDialog;
class QElapsedTimer;
class QFrame;
class QHelpEvent;
class QLabel;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vy {

class DatePresetButton;
class HelpViewer;
class ListColumnKeeper;
class ListFilter;
class ReportChart;
class ReportListView;
class ReportTableModel;
class TScanDetails;

// The program's own title, the name of the running program where the
// platform shows one apart from the window titles (set to "Vy 3" at start).
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

enum class MessageKind { Warning, Error, Information };
enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok, Cancel };

class TMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int ToolBarHeight = 29;
    static constexpr int StatusBarHeight = 21;
    static constexpr int PanelSplitHeight = 4;
    static constexpr int TotalPanelHeight = 70;
    static constexpr int TotalsInset = 16;  // of the totals' labels from the panel's edges

    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // The creation steps that follow building the controls: settings, the
    // language panel, the date range and the report state. Separate from the
    // constructor so that the message hook is the final one.
    void FormCreate();
    // The three dialogs, created once in this order and kept for the run.
    void CreateDialogs();
    // Saves the settings when asked to; runs once, when the window closes.
    void FormDestroy();

    // A scan counts as running exactly while the progress bar is shown.
    bool ScanRunning() const;
    // A scan or a table build holds the session (also while a stopped scan
    // still finishes).
    bool TaskRunning() const { return task_.Running(); }
    // A report command over at least this many records (the store's
    // connections for a table, the rows for a sort) runs on its own thread,
    // a smaller one at once.
    std::size_t ThreadedFrom() const { return threadedFrom_; }
    void SetThreadedFrom(std::size_t records) { threadedFrom_ = records; }

    int ToolHeight() const;
    int StatusHeight() const;
    void SetToolHeight(int height);
    void SetStatusHeight(int height);
    int TreeWidth() const;
    void SetTreeWidth(int width);
    // The chart under the list (View > Chart); it exists once first shown.
    bool ChartShown() const;
    void SetChartShown(bool shown);
    // What the chart shows, also while it is hidden or not yet made.
    ChartMeasure ShownMeasure() const { return chartMeasure_; }
    void SetShownMeasure(ChartMeasure measure);
    // The table's row shown selected and current, as a click in the list.
    void SelectListRow(int row);

    // The session, while the window holds it (no task runs).
    ReportSession& Session() { return *session_; }
    bool SessionHeld() const { return session_ != nullptr; }
    // What the last scan that ended found.
    const ScanOutcome& LastScan() const { return lastScan_; }
    HelpViewer* Help() const { return help_; }
    // The last font the font dialog returned in this run.
    QFont LastChosenFont() const { return lastFont_; }
    // The filter above the list, and the keeper of its columns per table kind.
    ListFilter* Filter() const { return filter_; }
    ListColumnKeeper* ColumnKeeper() const { return columnKeeper_; }
    // Makes folder the log folder, as the Open Folder dialog's OK does, and
    // the first of the recent folders; false (and said why) when it cannot.
    bool OpenFolderPath(const QString& folder);

    // The controls, under their names (also their object names).
    QMenu* MenuFile = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuRpt = nullptr;
    QMenu* MenuOpt = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MenuFileOpen = nullptr;
    QAction* MenuFileSave = nullptr;
    QAction* MenuFileExit = nullptr;
    QMenu* MenuFileRecent = nullptr;
    QAction* MenuViewBack = nullptr;
    QAction* MenuViewForward = nullptr;
    QAction* MenuViewTool = nullptr;
    QAction* MenuViewStatus = nullptr;
    QAction* MenuViewChart = nullptr;
    QAction* MenuViewDetails = nullptr;
    QAction* MenuRptGo = nullptr;
    QAction* MenuRptUsers = nullptr;
    QAction* MenuRptDate = nullptr;
    QAction* MenuOptCfg = nullptr;
    QAction* MenuOptFont = nullptr;
    QAction* MenuOptSave = nullptr;
    QAction* MenuHelpContents = nullptr;
    QAction* MenuHelpDemo = nullptr;
    QAction* MenuHelpHomePage = nullptr;
    QAction* MenuHelpAbout = nullptr;
    // The list's context menu.
    QAction* ListCopy = nullptr;
    QAction* ListCopyTotals = nullptr;
    // F5: Go or Stop, as the Go button.
    QAction* GoOrStop = nullptr;

    QToolBar* Tool = nullptr;
    QToolButton* ToolOpen = nullptr;
    QToolButton* ToolSave = nullptr;
    QWidget* PanelDate = nullptr;
    QFrame* BevelDate = nullptr;
    QLabel* LabelDate1 = nullptr;
    QDateEdit* DateEdit1 = nullptr;
    QLabel* LabelDate2 = nullptr;
    QDateEdit* DateEdit2 = nullptr;
    DatePresetButton* DatePresets = nullptr;
    QPushButton* BtGo = nullptr;
    QSplitter* Splitter = nullptr;
    QTreeWidget* Tree = nullptr;
    QWidget* PanelRight = nullptr;
    QSplitter* ListSplitter = nullptr;  // the list above, the chart below
    ReportListView* List = nullptr;
    ReportChart* Chart = nullptr;        // made when first shown
    QWidget* PanelSplit = nullptr;
    QFrame* PanelTotal = nullptr;
    QLabel* LabelTotalSel = nullptr;
    QFrame* BevelLine = nullptr;
    QLabel* LabelTotal = nullptr;
    QWidget* EmptyPane = nullptr;     // in the list's place when a scan kept nothing
    QLabel* EmptyNote = nullptr;      // why
    QPushButton* EmptyOffer = nullptr;  // the way out, when there is one
    QProgressBar* Progress = nullptr;
    StatusPanels* Status = nullptr;

signals:
    // A scan has ended and the window shows its result.
    void ScanEnded();

public slots:
    void MenuFileOpenClick();
    void ToolOpenClick();
    void MenuFileSaveClick();
    void ToolSaveClick();
    void MenuFileExitClick();
    void MenuViewToolClick();
    void MenuViewStatusClick();
    void MenuViewChartClick();
    void MenuViewDetailsClick();
    void ListCopyClick();
    void ListCopyTotalsClick();
    void MenuRptGoClick();
    void MenuRptUsersClick();
    void MenuRptDateClick();
    void MenuOptCfgClick();
    void MenuOptFontClick();
    void MenuOptSaveClick();
    void MenuHelpContentsClick();
    void MenuHelpDemoClick();
    void MenuHelpHomePageClick();
    void MenuHelpAboutClick();
    void BtGoClick();
    void TreeClick();
    void ListDblClick();
    void ListColumnClick(int column);
    void FormResize();
    // Back and Forward through the tables shown (Alt+Left, Alt+Right, the
    // mouse's side buttons).
    void HistoryBack();
    void HistoryForward();
    // Does what the last scan's offer says (event list, filter or dates)
    // and scans again.
    void TakeOffer();

protected:
    // Everything the window asks of the user goes through these, so that
    // they can be answered without a screen.
    virtual MessageResult ShowMessage(MessageKind kind, const QString& title, const QString& text,
                                      MessageButtons buttons = MessageButtons::Ok);
    // The save dialog: false on Cancel; filterIndex counts from 1.
    virtual bool ChooseSaveFile(QString& fileName, int& filterIndex);
    // The font dialog, started with font and color; false on Cancel.
    virtual bool ChooseFont(QFont& font, QColor& color);
    virtual void ShowOpenFolder();
    virtual void ShowConfig();
    virtual void ShowAbout();
    virtual void ShowHelp(const QString& file);
    // The file a chart image is saved to; false on Cancel.
    virtual bool ChooseChartFile(QString& fileName);
    // Starts a program detached; the result is not examined.
    virtual void StartProgram(const QString& program, const QStringList& arguments);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A folder dropped on the window becomes the log folder.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildRecentFolders();
    void FillRecentFolders();
    void RememberFolder(const QString& folder);
    void BuildHistory();
    // The table of a node, as a click on it shows it, the tree's selection
    // left as it is.
    void ShowNode(int node);
    void ResetHistory();
    void NoteShownNode();
    void BuildControls();
    QWidget* BuildDateStrip();
    QWidget* BuildRightPanel();
    void SetTitles(bool applicationToo);
    void SetApplicationTitle(const QString& title);
    // Shows the scan as running and starts it once the window holds the
    // session (at once, or when the task that has it ends).
    void StartScan(bool demo);
    void LaunchScan();
    void ScanFinished(ScanOutcome outcome);
    // The status bar's account of the scan that has just ended, and the
    // note in the list's place when it kept nothing.
    void ReportScanOutcome(const ScanOutcome& outcome);
    void ShowScanWarnings();
    void KeepPanesUsable();
    // One command of the report session and what follows it in the window.
    struct ReportStep {
        bool TreeChanged = false;       // the command may rebuild the tree
        std::size_t Records = 0;        // the size of its work
        QString BusyText;               // in the status bar while it runs apart
        std::function<SortError(ReportSession&, const std::stop_token&)> Command;
        std::function<void()> After;    // once the widgets show its result
    };
    // Runs the command, as a task when it is big, and mirrors the session
    // into the widgets at its end.
    void RunReportCommand(ReportStep step);
    bool StartReportTask(ReportStep& step);
    void EndReportCommand(const ReportStep& step, const SortError& error);
    // True when a click cannot run now: behind a table build it waits for
    // that one's end (a later click takes its place); during a scan it is
    // dropped.
    bool HeldWhileBusy(std::function<void()> click);
    // The window holds the session again: a waiting scan or click runs.
    void SessionBack();
    void MirrorTree();
    void MirrorTableAndLabels();
    void MirrorReportChecks();
    // Draws the shown table in the chart, when the chart is shown.
    void UpdateChart();
    void SaveChartClick();
    // The file name the save dialogs suggest: the shown node's path.
    QString SuggestedFileName() const;
    // A tool tip with the whole name of a tree item its pane cuts.
    bool ShowTreeTip(QHelpEvent* event);
    int ListRow() const;
    void ShowError(const QString& text);
    void SetLabel(QLabel* label, const std::string& text);

    std::unique_ptr<ReportSession> session_;  // null while the task has it
    SessionTask task_;
    bool taskIsScan_ = false;
    bool scanWaiting_ = false;  // Go pressed while the task had the session
    bool demoWaiting_ = false;
    ScanOutcome lastScan_;
    ScanOffer offer_;
    bool lastScanStopped_ = false;
    std::size_t threadedFrom_ = 200000;
    std::function<void()> queuedClick_;
    TScanDetails* details_ = nullptr;  // made when first shown
    ReportTableModel* listModel_ = nullptr;
    std::vector<QTreeWidgetItem*> treeItems_;
    HelpViewer* help_ = nullptr;
    ListFilter* filter_ = nullptr;
    ListColumnKeeper* columnKeeper_ = nullptr;
    NodeHistory history_;
    QFileDialog* saveDialog_ = nullptr;
    QPointer<QDialog> openFolder_;
    QPointer<QDialog> config_;
    QPointer<QDialog> about_;
    QFont lastFont_;
    QColor statusColor_;
    int toolHeight_ = ToolBarHeight;
    int statusHeight_ = StatusBarHeight;
    int treeWidth_ = 160;
    ChartMeasure chartMeasure_ = ChartMeasure::Time;
    QString lastSaveFolder_;  // where the last report or chart was saved
    QElapsedTimer scanClock_;
    int lastPercent_ = 0;
    bool fillingTree_ = false;
    bool shownOnce_ = false;
    bool closing_ = false;
    bool destroyed_ = false;
};

}  // namespace vy
