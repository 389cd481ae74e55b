#include "ui/scan_worker.h"

#include <exception>
#include <new>
#include <utility>

#include "reports/date_text.h"
#include "reports/report_session.h"
#include "store/stores.h"

namespace vy {

// Carries the scan's progress calls over to the window's thread.
class ScanWorker::Observer : public ScanObserver {
public:
    Observer(ScanWorker& worker, std::uint64_t generation) : worker_(worker), generation_(generation) {}

    // Status panel 0.
    void PhaseBegun(ScanPhase phase) override
    {
        QString t = phase == ScanPhase::Reading ? QStringLiteral("Processing") : QStringLiteral("Checking");
        worker_.Post(generation_, [w = &worker_, t] { emit w->PhaseChanged(t); });
    }
    // Status panel 1: the name in lower case, in the single-byte text of
    // every shown name (a character beyond Latin-1 becomes "?").
    void FileBegun(const QString& name) override
    {
        QString t = QStringLiteral("file: ") + QString::fromLatin1(name.toLower().toLatin1());
        worker_.Post(generation_, [w = &worker_, t] { emit w->FileChanged(t); });
    }
    void FilesDone() override
    {
        worker_.Post(generation_, [w = &worker_] { emit w->FileChanged(QString()); });
    }
    void PercentDone(int percent, bool title) override
    {
        worker_.Post(generation_, [w = &worker_, percent, title] { emit w->PercentChanged(percent, title); });
    }

private:
    ScanWorker& worker_;
    std::uint64_t generation_;
};

ScanWorker::ScanWorker(QObject* parent) : QObject(parent) {}

ScanWorker::~ScanWorker()
{
    // Never leave a thread running over a destroyed worker.
    RequestStop();
    WaitForEnd();
}

template <typename F>
void ScanWorker::Post(std::uint64_t generation, F f)
{
    // The generation is compared on the window's thread only; a scan dropped
    // by WaitForEnd has a stale one.
    QMetaObject::invokeMethod(
        this,
        [this, generation, f = std::move(f)]() mutable {
            if (generation == generation_ && alive_)
                f();
        },
        Qt::QueuedConnection);
}

bool ScanWorker::Start(const ScanSettings& settings, ReportSession& session, Stores& stores, const DateTexts& dates)
{
    if (alive_)
        return false;
    Join();
    alive_ = true;
    outcome_ = Outcome{};
    const std::uint64_t generation = ++generation_;
    try {
        thread_ = std::thread(&ScanWorker::Run, this, settings, &session, &stores, &dates, generation);
    } catch (const std::exception& e) {
        alive_ = false;
        outcome_.Warnings.push_back(std::string("The scan could not be started: ") + e.what());
        emit Finished();
        return false;
    }
    return true;
}

void ScanWorker::Run(ScanSettings settings, ReportSession* session, Stores* stores, const DateTexts* dates,
                     std::uint64_t generation)
{
    Outcome outcome;
    Observer observer(*this, generation);
    try {
        const ScanResult result = RunScan(settings, *stores, stop_, &observer);
        outcome.Error = BuildReportsAfterScan(*session, *stores, stop_.load(), *dates);
        outcome.Warnings = ScanWarnings(result);
        outcome.Unread = result.Unread;
        outcome.EventsNotListed = result.EventsNotListed;
    } catch (const std::bad_alloc&) {
        outcome.Warnings.push_back("Not enough memory to finish the scan.");
    } catch (const std::exception& e) {
        outcome.Warnings.push_back(std::string("The scan stopped: ") + e.what());
    } catch (...) {
        outcome.Warnings.push_back("The scan stopped on an unknown error.");
    }
    Post(generation, [this, outcome = std::move(outcome)]() mutable {
        Join();
        alive_ = false;
        outcome_ = std::move(outcome);
        emit Finished();
    });
}

void ScanWorker::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void ScanWorker::WaitForEnd()
{
    Join();
    if (alive_) {
        alive_ = false;
        ++generation_;
    }
}

}  // namespace vy
