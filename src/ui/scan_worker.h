#pragma once
// The scan's worker thread: reads the log folder into the stores, builds the
// reports into the session, and hands back to the window's thread. While it
// is alive it alone touches the stores and the session.

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <QObject>
#include <QString>

#include "reports/list_sort.h"
#include "scan/scan_run.h"

namespace vy {

class DateTexts;
struct ReportSession;
struct Stores;

class ScanWorker : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        std::vector<std::string> Warnings;  // each shown in its own box, in order
        SortError Error;                    // from sorting the first table
        std::vector<UnreadInFile> Unread;   // what could not be read, as the scan counted it
        std::map<int, std::int64_t> EventsNotListed;
    };

    explicit ScanWorker(QObject* parent = nullptr);
    ~ScanWorker() override;

    // Starts a worker thread; false (and nothing started) while one is alive.
    bool Start(const ScanSettings& settings, ReportSession& session, Stores& stores, const DateTexts& dates);
    // True from Start until Finished has been emitted (or WaitForEnd returned).
    bool Alive() const { return alive_; }

    void ClearStop() { stop_.store(false); }
    void RequestStop() { stop_.store(true); }
    bool StopRequested() const { return stop_.load(); }

    // Blocks until the thread has ended; what it still had to hand back is
    // dropped, and Finished is not emitted.
    void WaitForEnd();

    // The outcome of the scan that has just finished.
    const Outcome& LastOutcome() const { return outcome_; }

signals:
    void PhaseChanged(const QString& text);
    void FileChanged(const QString& text);
    void PercentChanged(int percent, bool title);
    // On the window's thread, after the worker thread has ended.
    void Finished();

private:
    class Observer;
    void Run(ScanSettings settings, ReportSession* session, Stores* stores, const DateTexts* dates,
             std::uint64_t generation);
    // Runs f on the window's thread, unless its scan has since been dropped.
    template <typename F>
    void Post(std::uint64_t generation, F f);
    void Join();

    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool alive_ = false;
    std::uint64_t generation_ = 0;
    Outcome outcome_;
};

}  // namespace vy
