// Speed of the line parser: recognising connection lines in a mix where most
// lines are other events (with the default ID list and with a thousand IDs),
// and reading every value of an accepted line in each message form.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "loggen/log_generator.h"
#include "scan/event_list.h"
#include "scan/exclusion_filters.h"
#include "scan/line_parser.h"

namespace {

struct Mix {
    std::vector<std::string> Lines;
    std::vector<std::string> Connections;  // the connection lines of Lines
    std::int64_t Bytes = 0;
};

std::string Two(unsigned v) { return std::string(1, char('0' + v / 10 % 10)) + char('0' + v % 10); }

std::string ConnectionText(std::mt19937& rng, bool german)
{
    static const char* users[] = {"bob", "Alice", "j.smith", "Administrator", "guest", "operator7"};
    static const char* domains[] = {"DOM\\", "CORP\\", "", "SALES\\"};
    static const char* ports[] = {"COM1", "COM2", "VPN1-3", "ISDN4"};
    static const char* speeds[] = {"28800", "33600", "57600", "115200"};
    const std::string date = Two(1 + rng() % 12) + "/" + Two(1 + rng() % 28) + "/1998";
    const std::string time = Two(1 + rng() % 12) + ":" + Two(rng() % 60) + (rng() % 2 ? "am" : "pm");
    const std::string who = std::string(domains[rng() % 4]) + users[rng() % 6];
    const std::string port = ports[rng() % 4];
    const std::string sent = std::to_string(rng() % 10000000);
    const std::string received = std::to_string(rng() % 10000000);
    const std::string minutes = std::to_string(rng() % 300);
    const std::string seconds = std::to_string(rng() % 60);
    const std::string head = date + ",10:15:42" + (german ? "" : " AM") + ",RemoteAccess,Information,None," +
                             (rng() % 2 ? "20050" : "20048") + ",N/A,SRV" + std::to_string(rng() % 5) + ",";
    if (german)
        return head + "Der Benutzer " + who + " hat sich an Anschlu\xDF " + port + " am " + date + " um " + time +
               " angemeldet und am " + date + " um " + time + " abgemeldet.  Verbindungszeit: " + minutes +
               " Minuten " + seconds + " s.  " + sent + " Bytes wurden gesendet und " + received +
               " Bytes empfangen. Geschwindigkeit: " + speeds[rng() % 4] + ".  Grund: Benutzeranforderung.";
    return head + "The user " + who + " connected on port " + port + " on " + date + " at " + time +
           " and disconnected on " + date + " at " + time + ".  The user was active for " + minutes + " minutes " +
           seconds + " seconds.  " + sent + " bytes were sent and " + received +
           " bytes were received. The port speed was " + speeds[rng() % 4] +
           ".  The reason for disconnecting was user request.";
}

std::string OtherText(std::mt19937& rng, bool german)
{
    static const char* english[] = {
        "The user DOM\\bob has connected and has successfully authenticated on port COM1.",
        "The user CORP\\alice has connected and failed to authenticate on port VPN1-3. The line has been "
        "disconnected.",
        "The Remote Access Connection Manager service entered the running state.",
        "The user guest connected on port COM2 has been disconnected because the port was reset by the modem.",
        "A device attached to the system is not functioning. The port speed was reduced to 9600 bps.",
    };
    static const char* germanText[] = {
        "Der Benutzer DOM\\bob hat eine Verbindung hergestellt und wurde an Anschlu\xDF COM1 authentifiziert.",
        "Der Dienst RAS-Verbindungsverwaltung befindet sich jetzt im Status Ausgef\xFChrt.",
        "Ein an das System angeschlossenes Ger\xE4t funktioniert nicht. Geschwindigkeit: 9600.",
    };
    static const char* sources[] = {"RemoteAccess", "Service Control Manager", "Tcpip", "EventLog", "Rasman"};
    static const char* ids[] = {"20049", "20050", "7036", "4201", "6005", "20189"};
    const std::string head = Two(1 + rng() % 12) + "/" + Two(1 + rng() % 28) + "/1998,0" +
                             std::to_string(rng() % 10) + ":12:33 PM," + sources[rng() % 5] + ",Information,None," +
                             ids[rng() % 6] + ",N/A,SRV" + std::to_string(rng() % 5) + ",";
    return head + (german ? germanText[rng() % 3] : english[rng() % 5]);
}

// About one line in ten is a connection line.
const Mix& MakeMix(bool german)
{
    static Mix mixes[2];
    Mix& mix = mixes[german ? 1 : 0];
    if (!mix.Lines.empty())
        return mix;
    std::mt19937 rng(german ? 4711 : 1998);
    for (int i = 0; i < 200000; ++i) {
        const bool connection = rng() % 10 == 0;
        mix.Lines.push_back(connection ? ConnectionText(rng, german) : OtherText(rng, german));
        if (connection)
            mix.Connections.push_back(mix.Lines.back());
        mix.Bytes += static_cast<std::int64_t>(mix.Lines.back().size());
    }
    return mix;
}

void Recognise(benchmark::State& state, bool german, const std::string& ids)
{
    const Mix& mix = MakeMix(german);
    const vy::LineMatcher matcher(german ? "DE" : "EN", vy::EventList(ids));
    std::int64_t found = 0;
    for (auto _ : state) {
        for (const std::string& line : mix.Lines)
            found += matcher.IsConnectionLine(line);
        benchmark::DoNotOptimize(found);
    }
    if (found != static_cast<std::int64_t>(mix.Connections.size()) * state.iterations())
        state.SkipWithError("the mix was not recognised as generated");
    state.SetBytesProcessed(mix.Bytes * state.iterations());
    state.SetItemsProcessed(static_cast<std::int64_t>(mix.Lines.size()) * state.iterations());
}

// A list of a thousand IDs, the two of the mix's connection lines last.
std::string ThousandIds()
{
    std::string ids;
    for (int id = 19000; id < 19998; ++id)
        ids += std::to_string(id) + ";";
    return ids + "20050;20048";
}

void BM_LineMatcherEnglish(benchmark::State& state) { Recognise(state, false, "20050;20048"); }
void BM_LineMatcherGerman(benchmark::State& state) { Recognise(state, true, "20050;20048"); }
void BM_LineMatcherThousandIds(benchmark::State& state) { Recognise(state, false, ThousandIds()); }

// Current servers' lines of the same connections the generator writes.
const std::vector<std::string>& CurrentLines()
{
    struct Collect : vy::loggen::LineSink {
        void BeginFile(const std::string&) override {}
        void Line(const std::string& line, const vy::loggen::Connection* c, bool) override
        {
            if (c != nullptr)
                Lines.push_back(line);
        }
        std::vector<std::string> Lines;
    };
    static Collect collect;
    if (collect.Lines.empty()) {
        vy::loggen::GeneratorOptions o;
        o.ConnectionLines = 1024;
        o.OtherLines = 0;
        o.Form = vy::loggen::MessageForm::Current;
        vy::loggen::GenerateLines(o, collect);
    }
    return collect.Lines;
}

void Parse(benchmark::State& state, bool german, bool current = false)
{
    const std::vector<std::string>& lines = current ? CurrentLines() : MakeMix(german).Connections;
    const char* lang = german ? "DE" : "EN";
    vy::ConnectionLine out;
    std::int64_t bytes = 0;
    std::size_t i = 0;
    // The scan parses lines it has just read into its buffer: the lines
    // cycled through here fit in the cache as well (about 400 KB).
    const std::size_t ring = std::min<std::size_t>(lines.size(), 1024);
    for (auto _ : state) {
        const std::string& line = lines[i];
        if (!vy::ParseConnectionLine(lang, line, out))
            state.SkipWithError("a generated line did not parse");
        benchmark::DoNotOptimize(out);
        bytes += static_cast<std::int64_t>(line.size());
        if (++i == ring)
            i = 0;
    }
    state.SetBytesProcessed(bytes);
    state.SetItemsProcessed(state.iterations());
}

void BM_ParseConnectionLineEnglish(benchmark::State& state) { Parse(state, false); }
void BM_ParseConnectionLineGerman(benchmark::State& state) { Parse(state, true); }
void BM_ParseConnectionLineCurrent(benchmark::State& state) { Parse(state, false, true); }

void BM_ExclusionListContains(benchmark::State& state)
{
    const vy::ExclusionList list("Administrator, guest;operator1 operator2 operator3 operator4 operator5");
    const char* names[] = {"bob", "alice", "administrator", "j.smith", "GUEST", "operator7"};
    std::int64_t hits = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        hits += list.Contains(names[i]);
        i = (i + 1) % 6;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_LineMatcherEnglish);
BENCHMARK(BM_LineMatcherGerman);
BENCHMARK(BM_LineMatcherThousandIds);
BENCHMARK(BM_ParseConnectionLineEnglish);
BENCHMARK(BM_ParseConnectionLineGerman);
BENCHMARK(BM_ParseConnectionLineCurrent);
BENCHMARK(BM_ExclusionListContains);
