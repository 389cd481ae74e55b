// The window's one background task: the session is the task's while it runs
// and comes back once, on the window's thread, after everything the task
// posted; an abandoned task gives it back at once and hands nothing more.
// The scan as such a task: progress in order, Stop, and its outcome.

#include <atomic>

#include "reports/date_text.h"
#include "store/date_value.h"
#include "ui/main_window_support.h"
#include "ui/scan_task.h"
#include "ui/session_task.h"

namespace vy::uitest {
namespace {

class SessionTaskTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        stores_ = std::make_unique<Stores>();
        settings_.LogDir = SourceDir() + "/data/DemoLog";
        settings_.FileFilter = "*.txt";
        settings_.LogLanguage = "EN";
        settings_.NEvents = "20050;20048";
        settings_.InitialDate = *EncodeDate(1998, 10, 1);
        settings_.FinalDate = *EncodeDate(1998, 10, 31);
    }

    // Runs the scan as a task over session_, recording what reaches the
    // window's thread, and waits for the session to come back.
    ScanOutcome Scan(SessionTask& task, std::vector<std::string>& events, bool stopAtOnce = false)
    {
        ScanProgress progress;
        progress.Phase = [&events](const QString& t) { events.push_back("phase " + Str(t)); };
        progress.File = [&events](const QString& t) { events.push_back("file " + Str(t)); };
        progress.Percent = [&events](int percent, bool) { events.push_back("% " + std::to_string(percent)); };
        ScanOutcome outcome;
        const bool started = task.Start(
            session_,
            [&](ReportSession& session, const TaskRun& run) {
                if (stopAtOnce)
                    while (!run.Stop.stop_requested())
                        QThread::msleep(1);
                outcome = RunScanTask(settings_, session, *stores_, ProcessDateTexts(), run, progress);
            },
            [&](std::unique_ptr<ReportSession> back) { session_ = std::move(back); });
        EXPECT_TRUE(started);
        if (stopAtOnce)
            task.RequestStop();
        EXPECT_TRUE(WaitFor([&] { return session_ != nullptr; }));
        return outcome;
    }

    ScanSettings settings_;
    std::unique_ptr<Stores> stores_;
    std::unique_ptr<ReportSession> session_ = std::make_unique<ReportSession>();
};

TEST_F(SessionTaskTest, TheSessionIsTheTasksUntilItComesBackAfterEverythingPosted)
{
    SessionTask task;
    const ReportSession* mine = session_.get();
    std::vector<int> events;
    bool allOnWindowThread = true;
    const QThread* windowThread = QThread::currentThread();
    std::atomic<bool> go{false};
    ASSERT_TRUE(task.Start(
        session_,
        [&](ReportSession& session, const TaskRun& run) {
            while (!go.load())
                QThread::msleep(1);
            for (int i = 0; i < 100; ++i)
                run.Post([&, i] {
                    allOnWindowThread = allOnWindowThread && QThread::currentThread() == windowThread;
                    events.push_back(i);
                });
            session.ReportKind = 7;
        },
        [&](std::unique_ptr<ReportSession> back) {
            events.push_back(-1);
            session_ = std::move(back);
        }));
    // The window holds nothing while the task runs, and a second is refused.
    EXPECT_EQ(session_, nullptr);
    EXPECT_TRUE(task.Running());
    auto other = std::make_unique<ReportSession>();
    EXPECT_FALSE(task.Start(other, [](ReportSession&, const TaskRun&) {}, nullptr));
    EXPECT_NE(other, nullptr);
    go = true;
    ASSERT_TRUE(WaitFor([&] { return session_ != nullptr; }));
    EXPECT_FALSE(task.Running());
    EXPECT_EQ(session_.get(), mine);
    EXPECT_EQ(session_->ReportKind, 7);
    EXPECT_TRUE(allOnWindowThread);
    ASSERT_EQ(events.size(), 101u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(events[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(events.back(), -1);
}

TEST_F(SessionTaskTest, AbandoningStopsASlowTaskAndDropsWhatItStillHadToHandBack)
{
    int posted = 0;
    bool done = false;
    std::atomic<bool> began{false};
    {
        SessionTask task;
        ASSERT_TRUE(task.Start(
            session_,
            [&](ReportSession&, const TaskRun& run) {
                began = true;
                // A slow step that looks at its stop request.
                while (!run.Stop.stop_requested())
                    QThread::msleep(1);
                run.Post([&] { ++posted; });
            },
            [&](std::unique_ptr<ReportSession>) { done = true; }));
        ASSERT_TRUE(WaitFor([&] { return began.load(); }, 20000));
        session_ = task.Abandon();
        ASSERT_NE(session_, nullptr);
        EXPECT_FALSE(task.Running());
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(posted, 0);
        EXPECT_FALSE(done);
        // A new task may start at once.
        ASSERT_TRUE(task.Start(session_, [](ReportSession&, const TaskRun&) {},
                               [&](std::unique_ptr<ReportSession> back) { session_ = std::move(back); }));
        ASSERT_TRUE(WaitFor([&] { return session_ != nullptr; }));
    }
}

TEST_F(SessionTaskTest, AScanTellsItsProgressInOrderAndBuildsTheReports)
{
    SessionTask task;
    std::vector<std::string> events;
    const ScanOutcome outcome = Scan(task, events);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), "phase Processing");
    EXPECT_EQ(events[1].rfind("file file: ", 0), 0u) << events[1];
    int last = -1;
    for (const std::string& e : events) {
        if (e.rfind("file ", 0) == 0) {
            EXPECT_EQ(e, QString::fromStdString(e).toLower().toStdString());
        }
        if (e.rfind("% ", 0) == 0) {
            const int percent = std::stoi(e.substr(2));
            EXPECT_GT(percent, last);  // only changes are shown
            last = percent;
        }
    }
    EXPECT_EQ(last, 100);
    EXPECT_GT(stores_->Connections.Count(), 0);
    EXPECT_GT(outcome.Connections, 0);
    EXPECT_FALSE(outcome.Stopped);
    EXPECT_FALSE(session_->Tree.Empty());
    EXPECT_EQ(session_->ReportKind, 1);
    EXPECT_TRUE(outcome.Warnings.empty());
}

TEST_F(SessionTaskTest, AStoppedScanLeavesEmptyReportsAndAMissingFolderWarns)
{
    SessionTask task;
    std::vector<std::string> events;
    const ScanOutcome stopped = Scan(task, events, true);
    EXPECT_TRUE(stopped.Stopped);
    // A stopped scan's users tree is built from emptied stores.
    EXPECT_EQ(stores_->Connections.Count(), 0);
    EXPECT_TRUE(session_->Tree.Empty());

    settings_.LogDir = TempPath("absent");
    const ScanOutcome missing = Scan(task, events);
    EXPECT_FALSE(missing.Stopped);
    ASSERT_EQ(missing.Warnings.size(), 1u);
    EXPECT_EQ(missing.Warnings[0], "Folder has no log files");
}

}  // namespace
}  // namespace vy::uitest
