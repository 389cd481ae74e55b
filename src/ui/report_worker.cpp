#include "ui/report_worker.h"

#include <exception>
#include <string>
#include <system_error>
#include <utility>

namespace vy {

ReportWorker::ReportWorker(QObject* parent) : QObject(parent) {}

ReportWorker::~ReportWorker() { WaitForEnd(); }

bool ReportWorker::Start(Command command, Ended ended)
{
    if (alive_)
        return false;
    Join();
    const std::uint64_t generation = ++generation_;
    try {
        thread_ = std::thread(&ReportWorker::Run, this, std::move(command), generation);
    } catch (const std::system_error&) {
        return false;
    }
    alive_ = true;
    ended_ = std::move(ended);
    return true;
}

void ReportWorker::Run(Command command, std::uint64_t generation)
{
    // Whatever the command throws ends here: the window shows it as an error
    // of the command, as when the command runs on its own thread.
    SortError error;
    try {
        error = command();
    } catch (const std::exception& e) {
        error = std::string(e.what());
    } catch (...) {
        error = std::string("The table could not be made.");
    }
    // The generation is compared on the window's thread only; a command
    // dropped by WaitForEnd has a stale one.
    QMetaObject::invokeMethod(
        this,
        [this, generation, error = std::move(error)] {
            if (generation != generation_ || !alive_)
                return;
            Join();
            alive_ = false;
            Ended ended = std::move(ended_);
            ended_ = nullptr;
            ended(error);
        },
        Qt::QueuedConnection);
}

void ReportWorker::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void ReportWorker::WaitForEnd()
{
    Join();
    if (alive_) {
        alive_ = false;
        ended_ = nullptr;
        ++generation_;
    }
}

}  // namespace vy
