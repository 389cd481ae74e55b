#pragma once
// A report command (a table built, a list sorted) run on a thread of its own
// so that the window keeps answering while a table of millions of rows is
// made. While it is alive the command alone touches the stores and the
// session; its end is handed back on the window's thread.

#include <cstdint>
#include <functional>
#include <thread>

#include <QObject>

#include "reports/list_sort.h"

namespace vy {

class ReportWorker : public QObject {
public:
    using Command = std::function<SortError()>;
    using Ended = std::function<void(const SortError&)>;

    explicit ReportWorker(QObject* parent = nullptr);
    ~ReportWorker() override;

    // Runs command on a new thread and then ended on the window's thread,
    // unless WaitForEnd dropped it. False (nothing run) while one is alive or
    // when no thread could be started.
    bool Start(Command command, Ended ended);
    // True from Start until ended has been called (or WaitForEnd returned).
    bool Alive() const { return alive_; }
    // Blocks until the thread has ended; ended is not called.
    void WaitForEnd();

private:
    void Run(Command command, std::uint64_t generation);
    void Join();

    std::thread thread_;
    bool alive_ = false;
    std::uint64_t generation_ = 0;
    Ended ended_;
};

}  // namespace vy
