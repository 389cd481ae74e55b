#pragma once
// What the scan tests share: a recorder of what a scan shows, connections
// to write, and the progress a scan must show when read line by line.

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>

#include "loggen/log_generator.h"
#include "scan/log_reader.h"
#include "scan/progress.h"
#include "scan/scan_run.h"
#include "store/date_value.h"

namespace vy::scantest {

inline double Day(int y, int m, int d) { return *EncodeDate(y, m, d); }

// Records what the scan shows, one text per call.
class Recorder : public ScanObserver {
public:
    void SetPhase(const std::string& text) override { events.push_back("phase " + text); }
    void SetFile(const std::string& text) override
    {
        events.push_back("file " + text);
        if (onFile)
            onFile(text);
    }
    void SetPercent(int percent, bool title) override
    {
        events.push_back("percent " + std::to_string(percent) + (title ? " title" : ""));
        ++percentCalls;
        if (onPercent)
            onPercent(percent);
    }
    std::vector<std::string> events;
    std::function<void(const std::string&)> onFile;
    std::function<void(int)> onPercent;  // the percentage shown
    int percentCalls = 0;
};

inline loggen::Connection Conn(const std::string& user, double start, int sent = 100)
{
    loggen::Connection c;
    c.Domain = "DOM";
    c.User = user;
    c.Server = "SRV1";
    c.Port = "COM1";
    c.Speed = "28800";
    c.Start = start;
    c.ActiveSeconds = 75;
    c.BytesSent = sent;
    c.BytesReceived = 2 * sent;
    return c;
}

inline QString WriteFile(const QDir& dir, const QString& name, const std::string& bytes)
{
    const QString path = dir.filePath(name);
    std::ofstream(QFile::encodeName(path).constData(), std::ios::binary) << bytes;
    return path;
}

// The reading's events of the files read line by line with the reader: the
// name of each, then the percentage of the file bytes the lines took so
// far whenever it changes (the rounding is checked on its own).
inline std::vector<std::string> LineByLineEvents(const QDir& dir, const std::vector<std::string>& names)
{
    double total = 0;
    for (const auto& n : names)
        total += static_cast<double>(QFile(dir.filePath(QString::fromStdString(n))).size());
    std::vector<std::string> expected;
    double done = 0;
    int shown = -1;
    LogReader reader(64);  // small blocks: lines and ends across block edges
    for (const auto& name : names) {
        expected.push_back("file file: " + name);
        if (!reader.Open(dir.filePath(QString::fromStdString(name))))
            continue;
        LogLineRead line;
        while (reader.Next(line)) {
            const int p = ReadingPercent(done + static_cast<double>(reader.Consumed()), total);
            if (p != shown)
                expected.push_back("percent " + std::to_string(p) + " title");
            shown = p;
        }
        done += static_cast<double>(reader.Consumed());
    }
    return expected;
}

}  // namespace vy::scantest
