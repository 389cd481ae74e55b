#pragma once
// What the scan tests share: a recorder of what a scan shows, connections
// to write, and the progress a scan must show when read line by line.

#include <algorithm>
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
#include "store/stores.h"

namespace vy::scantest {

inline double Day(int y, int m, int d) { return *EncodeDate(y, m, d); }

// Records what the scan tells, one text per call, in the window's words.
class Recorder : public ScanObserver {
public:
    void PhaseBegun(ScanPhase phase) override
    {
        events.push_back(phase == ScanPhase::Reading ? "phase Processing" : "phase Checking");
    }
    void FileBegun(const QString& name) override
    {
        const std::string text = "file: " + name.toLower().toLatin1().toStdString();
        events.push_back("file " + text);
        if (onFile)
            onFile(text);
    }
    void FilesDone() override { events.push_back("file "); }
    void PercentDone(int percent, bool title) override
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
        // The rest of a file cut by a Ctrl-Z counts as read at its end.
        const double size = static_cast<double>(QFile(dir.filePath(QString::fromStdString(name))).size());
        done += std::max(static_cast<double>(reader.Consumed()), size);
        if (const int p = ReadingPercent(done, total); p != shown && static_cast<double>(reader.Consumed()) < size) {
            expected.push_back("percent " + std::to_string(p) + " title");
            shown = p;
        }
    }
    return expected;
}

// What a scan left: its records (every field, and the names they lead to),
// the name table, the warnings; and what it showed, where kept.
struct Outcome {
    std::vector<std::string> Events;
    std::vector<std::string> Records;
    std::vector<std::string> Names;
    std::vector<std::string> Warnings;
    std::vector<std::string> Files;  // what each file held
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

inline Outcome Describe(const Stores& s, const ScanResult& result)
{
    Outcome o;
    for (const ConnectionRecord& r : s.Connections)
        o.Records.push_back(std::to_string(r.UserIndex) + " " + s.Names[r.UserIndex].Name + " " +
                            std::to_string(r.SpeedIndex) + " " + s.Names[r.SpeedIndex].Name + " " +
                            std::to_string(r.DateTime) + " " + std::to_string(r.ActiveTime) + " " +
                            std::to_string(r.BytesSent) + " " + std::to_string(r.BytesReceived) +
                            (r.Removed() ? " removed" : ""));
    for (int i = 0; i < s.Names.Count(); ++i)
        o.Names.push_back(std::to_string(s.Names[i].Kind) + " " + std::to_string(s.Names[i].Parent) + " " +
                          s.Names[i].Name);
    o.Warnings = ScanWarnings(result);
    for (const FileSummary& f : result.Files)
        o.Files.push_back(f.Form + " " + std::to_string(f.Connections) + " " + std::to_string(f.Unread) + " " +
                          std::to_string(f.FirstUnread));
    return o;
}

// The forms a log file of single-byte text with CR LF line ends can be
// written in with the same lines.
enum class TextForm { LineFeeds, MixedEnds, Utf16LE, Utf16BE, Utf8Marked, Utf8, Utf16LEUnmarked };
constexpr TextForm kEveryTextForm[] = {TextForm::LineFeeds, TextForm::MixedEnds,  TextForm::Utf16LE,
                                       TextForm::Utf16BE,   TextForm::Utf8Marked, TextForm::Utf8,
                                       TextForm::Utf16LEUnmarked};

inline std::string Reencoded(std::string bytes, TextForm form)
{
    bytes.resize(std::min(bytes.find('\x1A'), bytes.size()));  // the text ends there in every form
    std::string text;
    int line = 0;
    for (std::size_t at = 0; at < bytes.size(); ++line) {
        const std::size_t end = std::min(bytes.find("\r\n", at), bytes.size());
        text.append(bytes, at, end - at);
        // An empty line after a lone CR would join its end.
        const char* ends[] = {"\r\n", "\n", "\r"};
        text += form == TextForm::LineFeeds ? "\n" : form == TextForm::MixedEnds && end > at ? ends[line % 3] : "\r\n";
        at = end + 2;
    }
    std::string out;
    switch (form) {
    case TextForm::Utf16LE:
    case TextForm::Utf16BE:
    case TextForm::Utf16LEUnmarked:
        out = form == TextForm::Utf16LE ? "\xFF\xFE" : form == TextForm::Utf16BE ? "\xFE\xFF" : "";
        for (char c : text) {
            const bool le = form != TextForm::Utf16BE;
            const char unit[2] = {le ? c : '\0', le ? '\0' : c};
            out.append(unit, 2);
        }
        return out;
    case TextForm::Utf8Marked:
    case TextForm::Utf8:
        out = form == TextForm::Utf8Marked ? "\xEF\xBB\xBF" : "";
        for (char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x80) {
                out += c;
            } else {
                out += static_cast<char>(0xC0 | u >> 6);
                out += static_cast<char>(0x80 | (u & 0x3F));
            }
        }
        return out;
    default:
        return text;
    }
}

// Writes every file of from into to in the given form.
inline void ReencodeFolder(const QDir& from, const QDir& to, TextForm form)
{
    for (const QString& name : from.entryList(QDir::Files)) {
        QFile in(from.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = in.readAll();
        WriteFile(to, name, Reencoded(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), form));
    }
}

}  // namespace vy::scantest
