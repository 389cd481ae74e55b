#include "ui/scan_task.h"

#include <atomic>
#include <exception>
#include <new>
#include <stop_token>

#include "reports/date_text.h"
#include "reports/report_session.h"
#include "store/stores.h"
#include "ui/session_task.h"

namespace vy {

namespace {

// Carries the scan's progress calls over to the window's thread.
class ProgressPoster : public ScanObserver {
public:
    ProgressPoster(const TaskRun& run, const ScanProgress& progress) : run_(run), progress_(progress) {}

    void PhaseBegun(ScanPhase phase) override
    {
        QString t = phase == ScanPhase::Reading ? QStringLiteral("Processing") : QStringLiteral("Checking");
        run_.Post([p = progress_.Phase, t] { p(t); });
    }
    // The name in lower case, in the single-byte text of every shown name.
    void FileBegun(const QString& name) override
    {
        QString t = QStringLiteral("file: ") + QString::fromLatin1(name.toLower().toLatin1());
        run_.Post([p = progress_.File, t] { p(t); });
    }
    void FilesDone() override { run_.Post([p = progress_.File] { p(QString()); }); }
    void PercentDone(int percent, bool reading) override
    {
        run_.Post([p = progress_.Percent, percent, reading] { p(percent, reading); });
    }

private:
    const TaskRun& run_;
    const ScanProgress& progress_;
};

}  // namespace

ScanOutcome RunScanTask(const ScanSettings& settings, ReportSession& session, Stores& stores, const DateTexts& dates,
                        const TaskRun& run, const ScanProgress& progress)
{
    ScanOutcome outcome;
    // The readers look at a flag; the task's stop request sets it.
    std::atomic<bool> stop{false};
    std::stop_callback forward(run.Stop, [&stop] { stop.store(true); });
    ProgressPoster poster(run, progress);
    try {
        outcome.Result = RunScan(settings, stores, stop, &poster);
        outcome.Stopped = stop.load();
        outcome.Error = BuildReportsAfterScan(session, stores, outcome.Stopped, dates);
        outcome.Warnings = ScanWarnings(outcome.Result);
        for (const ConnectionRecord& record : stores.Connections)
            outcome.Connections += record.Removed() ? 0 : 1;
    } catch (const std::bad_alloc&) {
        outcome.Warnings.push_back("Not enough memory to finish the scan.");
    } catch (const std::exception& e) {
        outcome.Warnings.push_back(std::string("The scan stopped: ") + e.what());
    } catch (...) {
        outcome.Warnings.push_back("The scan stopped on an unknown error.");
    }
    outcome.Stopped = stop.load();
    return outcome;
}

}  // namespace vy
