#include "cli/run_program.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vy::testing {

namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& overrides)
{
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::size_t eq = entry.find('=');
        if (eq != std::string::npos)
            vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    vars.insert_or_assign(std::string("LC_ALL"), std::string("C"));
    for (const auto& [name, value] : overrides)
        vars.insert_or_assign(name, value);
    std::vector<std::string> out;
    for (const auto& [name, value] : vars)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (std::string& t : texts)
        out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

int StatusOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// Reads both descriptors until each reaches its end.
void Drain(int outFd, std::string& out, int errFd, std::string& err)
{
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (::poll(fds, 2, 60000) <= 0)
            break;  // a minute of silence: give up rather than hang the suite
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // End of file; a terminal whose other side closed says EIO.
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

ProgramRun RunVyReport(const std::vector<std::string>& args, const std::map<std::string, std::string>& env)
{
    ProgramRun run;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argv{VY_REPORT_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = Environment(env);
    auto argvp = Pointers(argv);
    auto envpp = Pointers(envp);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, VY_REPORT_EXE, &actions, nullptr, argvp.data(), envpp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (rc == 0)
        Drain(outPipe[0], run.Out, errPipe[0], run.Err);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (rc != 0)
        return run;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.Exit = StatusOf(status);
    return run;
}

ProgramRun RunVyReportOnTerminal(const std::vector<std::string>& args, bool outputToo)
{
    ProgramRun run;
    int outPipe[2];
    int master = -1, slave = -1;
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 24;
    if (outputToo) {
        // Raw, so that the bytes arrive as written (no CR added to LF).
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&outPipe[0], &outPipe[1], nullptr, &raw, &size) != 0) {
            run.Exit = NoTerminal;
            return run;
        }
    } else if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        return run;
    }
    if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        run.Exit = NoTerminal;
        return run;
    }
    std::vector<std::string> argv{VY_REPORT_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = Environment({});
    auto argvp = Pointers(argv);
    auto envpp = Pointers(envp);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(slave, 2);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::execve(VY_REPORT_EXE, argvp.data(), envpp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(slave);
    if (pid > 0)
        Drain(outPipe[0], run.Out, master, run.Err);
    ::close(outPipe[0]);
    ::close(master);
    if (pid < 0)
        return run;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.Exit = StatusOf(status);
    return run;
}

}  // namespace vy::testing
