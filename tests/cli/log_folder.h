#pragma once
// Small log folders written line by line in the exact forms the remote-access
// service exports, English and German.

#include <string>
#include <vector>

#include <QTemporaryDir>

namespace vy::testing {

struct LogConnection {
    std::string Who;     // "DOM\Alice", or a user alone
    std::string Server;
    std::string Port;
    std::string Date;    // MM/DD/YYYY
    std::string Time;    // hh:mm followed by am or pm
    std::string Active;  // the duration as the message words it, without its last "seconds"
    std::string Sent;
    std::string Received;
    std::string Speed;
    std::string EventId = "20050";
};

// One exported event line, without its line end. English durations are
// written "<Active> seconds", German ones "<Active> s.".
std::string EnglishLine(const LogConnection& c);
std::string GermanLine(const LogConnection& c);

// Writes a file of the given lines, each ended by CR LF.
void WriteLogFile(const QTemporaryDir& dir, const std::string& name, const std::vector<std::string>& lines);

}  // namespace vy::testing
