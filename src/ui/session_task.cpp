#include "ui/session_task.h"

#include <system_error>
#include <utility>

namespace vy {

void TaskRun::Post(std::function<void()> f) const { task_->Post(generation_, std::move(f)); }

SessionTask::SessionTask(QObject* parent) : QObject(parent) {}

SessionTask::~SessionTask() { Abandon(); }

bool SessionTask::Start(std::unique_ptr<ReportSession>& session, Work work, Done done)
{
    if (Running() || !session)
        return false;
    if (thread_.joinable())
        thread_.join();
    TaskRun run;
    run.task_ = this;
    run.generation_ = ++generation_;
    ReportSession& owned = *session;
    try {
        thread_ = std::jthread([this, &owned, work = std::move(work), run](std::stop_token stop) mutable {
            run.Stop = std::move(stop);
            try {
                work(owned, run);
            } catch (...) {
                // The work says its own failures; the session comes back regardless.
            }
            Post(run.generation_, [this] { Finish(); });
        });
    } catch (const std::system_error&) {
        return false;
    }
    session_ = std::move(session);
    done_ = std::move(done);
    return true;
}

void SessionTask::RequestStop() { thread_.request_stop(); }

bool SessionTask::StopRequested() const { return thread_.get_stop_token().stop_requested(); }

void SessionTask::Post(std::uint64_t generation, std::function<void()> f)
{
    // The generation is compared on the window's thread only: an abandoned
    // task has a stale one.
    QMetaObject::invokeMethod(
        this,
        [this, generation, f = std::move(f)] {
            if (generation == generation_ && Running())
                f();
        },
        Qt::QueuedConnection);
}

void SessionTask::Finish()
{
    // The thread has nothing left to do but return.
    thread_.join();
    Done done = std::move(done_);
    done_ = nullptr;
    std::unique_ptr<ReportSession> session = std::move(session_);
    if (done)
        done(std::move(session));
    emit Ended();
}

std::unique_ptr<ReportSession> SessionTask::Abandon()
{
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    ++generation_;
    done_ = nullptr;
    return std::move(session_);
}

}  // namespace vy
