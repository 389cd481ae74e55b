#pragma once
// Runs the built vy-report as a user would: its own process, chosen
// arguments and environment, standard output and error captured whole.

#include <map>
#include <string>
#include <vector>

namespace vy::testing {

struct ProgramRun {
    int Exit = -1;  // exit status; 128 + signal when killed
    std::string Out;
    std::string Err;
};

// env: variables set (or, with an empty value, set empty) on top of the
// test's own environment. LC_ALL is C unless env says otherwise.
ProgramRun RunVyReport(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});

// The same under a pseudo-terminal as standard error (standard output stays
// a pipe, or with outputToo is a raw terminal of its own); Err and Out then
// hold what the terminals were sent. Exit is NoTerminal when the system gives
// no pseudo-terminal.
inline constexpr int NoTerminal = -2;
ProgramRun RunVyReportOnTerminal(const std::vector<std::string>& args, bool outputToo = false);

}  // namespace vy::testing
