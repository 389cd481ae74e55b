// vy-loggen: writes a folder of generated remote-access logs.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "loggen/log_generator.h"

namespace {

const char kUsage[] =
    "usage: vy-loggen [options] FOLDER\n"
    "  --seed N           seed of the generator (1)\n"
    "  --files N          number of log files (1)\n"
    "  --connections N    connection lines, not counting duplicates (100)\n"
    "  --other N          other events and noise lines (100)\n"
    "  --duplicates N     extra copies of connection lines (0)\n"
    "  --language L       EN, DE or MIX (files alternate) (EN)\n"
    "  --form F           classic, or current: current servers' event 20272,\n"
    "                     English only, the same connections as classic (classic);\n"
    "                     or an export of the same connections as events 20251\n"
    "                     (or 20272 with --event): evcsv (Event Viewer CSV),\n"
    "                     evtext (its tab-separated text), xml (Event Viewer's\n"
    "                     Save as XML, UTF-16), pscsv (PowerShell Export-Csv:\n"
    "                     Get-WinEvent, Get-EventLog); evcsv and evtext take DE or\n"
    "                     MIX for the German header;\n"
    "                     or evtx: event log files (.evtx), the same connections\n"
    "                     as events 20251 or 20272 (--event) or both in turn\n"
    "                     or accounting records of the same connections as\n"
    "                     RADIUS sessions: detail (FreeRADIUS detail files),\n"
    "                     radacct (a CSV copy of its SQL table radacct);\n"
    "                     or NPS accounting logs (IN*.log): npsdts (DTS XML),\n"
    "                     npsodbc (database-compatible), npsias (IAS format)\n"
    "  --from YYYY-MM-DD  first day of the connections (1998-10-01)\n"
    "  --to YYYY-MM-DD    last day of the connections (1998-10-31)\n"
    "  --domains N --users N --servers N --ports N --speeds N\n"
    "                     how many of each (3, 30, 4, 6 per server, 4)\n"
    "  --local-users P    percent of users written without a domain (10)\n"
    "  --event ID         five-character event ID of the connection lines (20050)\n"
    "  --prefix TEXT      file names are TEXT001.txt, TEXT002.txt, ... (ras)\n"
    "The demonstration folder is made with:\n"
    "  vy-loggen --seed 1998 --files 5 --connections 900 --other 500 --duplicates 2 \\\n"
    "            --users 36 --domains 3 --servers 4 --ports 5 --speeds 4 --prefix ras9810- data/DemoLog\n";

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "vy-loggen: %s\n", message.c_str());
    std::exit(2);
}

long long Number(const char* text, const char* option)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0)
        Fail(std::string("bad value for ") + option + ": " + text);
    return v;
}

int SmallNumber(const char* text, const char* option)
{
    const long long v = Number(text, option);
    if (v > 1000000)
        Fail(std::string("value too large for ") + option + ": " + text);
    return static_cast<int>(v);
}

vy::CivilDate Day(const char* text, const char* option)
{
    vy::CivilDate d;
    char tail = 0;
    if (std::sscanf(text, "%d-%d-%d%c", &d.Year, &d.Month, &d.Day, &tail) != 3 ||
        !vy::EncodeDate(d.Year, d.Month, d.Day))
        Fail(std::string("bad date for ") + option + ": " + text + " (YYYY-MM-DD)");
    return d;
}

}  // namespace

int main(int argc, char** argv)
{
    vy::loggen::GeneratorOptions o;
    std::string folder;
    bool eventGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a.rfind("--", 0) != 0) {
            if (!folder.empty())
                Fail("only one folder, please");
            folder = a;
            continue;
        }
        if (i + 1 >= argc)
            Fail("missing value after " + a);
        const char* v = argv[++i];
        if (a == "--seed") o.Seed = static_cast<std::uint64_t>(Number(v, "--seed"));
        else if (a == "--files") o.Files = SmallNumber(v, "--files");
        else if (a == "--connections") o.ConnectionLines = Number(v, "--connections");
        else if (a == "--other") o.OtherLines = Number(v, "--other");
        else if (a == "--duplicates") o.DuplicateLines = Number(v, "--duplicates");
        else if (a == "--domains") o.Domains = SmallNumber(v, "--domains");
        else if (a == "--users") o.Users = SmallNumber(v, "--users");
        else if (a == "--servers") o.Servers = SmallNumber(v, "--servers");
        else if (a == "--ports") o.Ports = SmallNumber(v, "--ports");
        else if (a == "--speeds") o.Speeds = SmallNumber(v, "--speeds");
        else if (a == "--local-users") o.LocalUsersPercent = SmallNumber(v, "--local-users");
        else if (a == "--event") o.EventId = v, eventGiven = true;
        else if (a == "--prefix") o.FilePrefix = v;
        else if (a == "--from") o.FirstDay = Day(v, "--from");
        else if (a == "--to") o.LastDay = Day(v, "--to");
        else if (a == "--form") {
            const std::string f = v;
            if (f == "classic") o.Form = vy::loggen::MessageForm::Classic;
            else if (f == "current") o.Form = vy::loggen::MessageForm::Current;
            else if (f == "evcsv") o.Form = vy::loggen::MessageForm::EventViewerCsv;
            else if (f == "evtext") o.Form = vy::loggen::MessageForm::EventViewerText;
            else if (f == "xml") o.Form = vy::loggen::MessageForm::Xml;
            else if (f == "pscsv") o.Form = vy::loggen::MessageForm::PowerShellCsv;
            else if (f == "evtx") o.Form = vy::loggen::MessageForm::Evtx;
            else if (f == "detail") o.Form = vy::loggen::MessageForm::Detail;
            else if (f == "radacct") o.Form = vy::loggen::MessageForm::Radacct;
            else if (f == "npsdts") o.Form = vy::loggen::MessageForm::NpsDts;
            else if (f == "npsodbc") o.Form = vy::loggen::MessageForm::NpsOdbc;
            else if (f == "npsias") o.Form = vy::loggen::MessageForm::NpsIas;
            else Fail("form is classic, current, evcsv, evtext, xml, pscsv, evtx, detail, radacct, npsdts, npsodbc or npsias, not " + f);
        } else if (a == "--language") {
            const std::string l = v;
            if (l == "EN") o.Lang = vy::loggen::Language::English;
            else if (l == "DE") o.Lang = vy::loggen::Language::German;
            else if (l == "MIX") o.Lang = vy::loggen::Language::Mixed;
            else Fail("language is EN, DE or MIX, not " + l);
        } else {
            Fail("unknown option " + a + "\n" + kUsage);
        }
    }
    const bool export_ = o.Form == vy::loggen::MessageForm::EventViewerCsv ||
                         o.Form == vy::loggen::MessageForm::EventViewerText || o.Form == vy::loggen::MessageForm::Xml ||
                         o.Form == vy::loggen::MessageForm::PowerShellCsv;
    if (export_ && !eventGiven)
        o.EventId = "20251";
    if (folder.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        const auto t0 = std::chrono::steady_clock::now();
        const auto summary = vy::loggen::GenerateLogFolder(folder, o);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("%zu files, %lld bytes, %lld connection lines (%lld duplicates), %lld other lines, %.2f s\n",
                    summary.Files.size(), static_cast<long long>(summary.TotalBytes),
                    static_cast<long long>(summary.ConnectionLines), static_cast<long long>(summary.DuplicateLines),
                    static_cast<long long>(summary.OtherLines), secs);
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    return 0;
}
