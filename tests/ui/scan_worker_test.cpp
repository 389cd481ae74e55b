// The scan's worker thread: progress reaches the window's thread in order,
// the hand-back comes once, and a dropped scan hands back nothing.

#include <QSignalSpy>

#include "reports/date_text.h"
#include "store/date_value.h"
#include "ui/main_window_support.h"
#include "ui/scan_worker.h"

namespace vy::uitest {
namespace {

class ScanWorkerTest : public MainWindowTest {
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

    ScanSettings settings_;
    std::unique_ptr<Stores> stores_;
    ReportSession session_;
};

TEST_F(ScanWorkerTest, ProgressArrivesOnTheWindowsThreadInOrderThenFinishedOnce)
{
    ScanWorker worker;
    QSignalSpy finished(&worker, &ScanWorker::Finished);
    std::vector<std::string> events;
    bool allOnWindowThread = true;
    const QThread* windowThread = QThread::currentThread();
    QObject::connect(&worker, &ScanWorker::PhaseChanged, [&](const QString& text) {
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == windowThread;
        events.push_back("phase " + Str(text));
    });
    QObject::connect(&worker, &ScanWorker::FileChanged, [&](const QString& text) {
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == windowThread;
        events.push_back("file " + Str(text));
    });
    std::vector<int> percents;
    QObject::connect(&worker, &ScanWorker::PercentChanged, [&](int percent, bool title) {
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == windowThread;
        EXPECT_TRUE(title);  // no duplicate check: always the reading
        percents.push_back(percent);
    });
    ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
    EXPECT_TRUE(worker.Alive());
    // A second worker is refused while the first is alive.
    EXPECT_FALSE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_FALSE(worker.Alive());
    EXPECT_TRUE(allOnWindowThread);

    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "phase Processing");
    EXPECT_EQ(events[1].rfind("file file: ", 0), 0u) << events[1];
    for (const std::string& e : events) {
        if (e.rfind("file ", 0) == 0) {
            EXPECT_EQ(e, QString::fromStdString(e).toLower().toStdString());
        }
    }
    ASSERT_FALSE(percents.empty());
    for (std::size_t i = 1; i < percents.size(); ++i) {
        EXPECT_NE(percents[i], percents[i - 1]);  // only changes are shown
        EXPECT_GT(percents[i], percents[i - 1]);
    }
    EXPECT_EQ(percents.back(), 100);

    // The worker built the reports into the session from its stores.
    EXPECT_GT(stores_->Connections.Count(), 0);
    EXPECT_FALSE(session_.Tree.Empty());
    EXPECT_EQ(session_.ReportKind, 1);
    EXPECT_TRUE(worker.LastOutcome().Warnings.empty());
    EXPECT_FALSE(worker.LastOutcome().Error.has_value());

    // Finished stays one: nothing else was queued after it.
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(ScanWorkerTest, OutcomeCarriesTheScansWarnings)
{
    ScanWorker worker;
    QSignalSpy finished(&worker, &ScanWorker::Finished);
    settings_.LogDir = TempPath("absent");
    ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    ASSERT_EQ(worker.LastOutcome().Warnings.size(), 1u);
    EXPECT_EQ(worker.LastOutcome().Warnings[0], "Folder has no log files");
    EXPECT_TRUE(session_.Tree.Empty());
}

TEST_F(ScanWorkerTest, StopLeavesAStoppedScanWithEmptyReports)
{
    ScanWorker worker;
    QSignalSpy finished(&worker, &ScanWorker::Finished);
    // Asked before the start, so the thread meets it on its first line
    // however fast it reads: Start leaves the flag to the window.
    worker.RequestStop();
    ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(worker.StopRequested());
    // A stopped scan's users tree is built from emptied stores.
    EXPECT_EQ(stores_->Connections.Count(), 0);
    EXPECT_TRUE(session_.Tree.Empty());

    // The flag is cleared for the next scan, which then reads everything.
    worker.ClearStop();
    ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_GT(stores_->Connections.Count(), 0);
}

TEST_F(ScanWorkerTest, WaitForEndDropsWhatTheScanStillHadToHandBack)
{
    QSignalSpy* finished = nullptr;
    int progressAfterWait = 0;
    {
        ScanWorker worker;
        finished = new QSignalSpy(&worker, &ScanWorker::Finished);
        ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
        worker.WaitForEnd();
        EXPECT_FALSE(worker.Alive());
        QObject::connect(&worker, &ScanWorker::PercentChanged, [&] { ++progressAfterWait; });
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_EQ(finished->count(), 0);
        EXPECT_EQ(progressAfterWait, 0);
        // The thread did end: the stores are complete and a new scan may start.
        EXPECT_GT(stores_->Connections.Count(), 0);
        ASSERT_TRUE(worker.Start(settings_, session_, *stores_, ProcessDateTexts()));
        ASSERT_TRUE(WaitFor([&] { return finished->count() == 1; }));
    }
    delete finished;
}

TEST_F(ScanWorkerTest, DestroyingAWorkerWaitsForItsThread)
{
    auto worker = std::make_unique<ScanWorker>();
    ASSERT_TRUE(worker->Start(settings_, session_, *stores_, ProcessDateTexts()));
    worker.reset();  // stops and joins
    // Nothing touches the stores or the session any more.
    const int records = stores_->Connections.Count();
    const int nodes = session_.Tree.Count();
    const std::size_t rows = session_.Table.Rows.size();
    QThread::msleep(100);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(stores_->Connections.Count(), records);
    EXPECT_EQ(session_.Tree.Count(), nodes);
    EXPECT_EQ(session_.Table.Rows.size(), rows);
}

}  // namespace
}  // namespace vy::uitest
