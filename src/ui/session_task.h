#pragma once
// The window's one background task: a scan or a big table build. It takes
// the report session when it starts and gives it back on the window's thread
// when it ends, so the window holds no session to touch in between and needs
// no "busy" test in front of each use: a command without the session cannot
// run.

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

#include <QObject>

#include "reports/report_session.h"

namespace vy {

// What the work of one task sees besides the session: its stop request and
// a way to the window's thread.
class TaskRun {
public:
    std::stop_token Stop;
    // Runs f on the window's thread, in the order of the calls, unless the
    // task has been abandoned meanwhile.
    void Post(std::function<void()> f) const;

private:
    friend class SessionTask;
    class SessionTask* task_ = nullptr;
    std::uint64_t generation_ = 0;
};

class SessionTask : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(ReportSession&, const TaskRun&)>;
    using Done = std::function<void(std::unique_ptr<ReportSession>)>;

    explicit SessionTask(QObject* parent = nullptr);
    ~SessionTask() override;

    // Moves the session into a new task that runs work on its own thread;
    // done gets it back on the window's thread. False when a task runs or
    // no thread could be started; the session then stays where it was.
    bool Start(std::unique_ptr<ReportSession>& session, Work work, Done done);
    bool Running() const { return session_ != nullptr; }

    void RequestStop();
    bool StopRequested() const;

    // Stops the task and waits for its thread; the session comes back here
    // and done is never called, nor anything it posted still waiting.
    std::unique_ptr<ReportSession> Abandon();

signals:
    // After done has had the session back.
    void Ended();

private:
    friend class TaskRun;
    void Post(std::uint64_t generation, std::function<void()> f);
    void Finish();

    std::unique_ptr<ReportSession> session_;  // set exactly while a task runs
    std::jthread thread_;
    std::uint64_t generation_ = 0;  // read and written on the window's thread only
    Done done_;
};

}  // namespace vy
