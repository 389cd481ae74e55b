// The main window's list handed a connection list of 10,000,000 rows
// (VY_BENCH_ROWS if set): from the table built to the list painted once.
// Each figure is the window's whole command less the same command run on
// its session alone (the table's building, or the sort), both measured in
// every round; the filter figures are a keystroke in the filter box and the
// list painted after it. Run with QT_QPA_PLATFORM=offscreen.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "reports/date_text.h"
#include "reports/report_session.h"
#include "store/date_value.h"
#include "store/stores.h"
#include "ui/list_filter.h"
#include "ui/mainform.h"
#include "ui/report_list_view.h"
#include "ui/report_views.h"

namespace {

const int kRecords = std::getenv("VY_BENCH_ROWS") ? std::atoi(std::getenv("VY_BENCH_ROWS")) : 10'000'000;

struct Clocks {
    double Cpu = 0;   // seconds of processor time, all threads
    double Wall = 0;  // seconds
};

Clocks Now()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9,
            std::chrono::duration<double>(wall).count()};
}

Clocks Spent(const std::function<void()>& work)
{
    const Clocks start = Now();
    work();
    const Clocks end = Now();
    return {end.Cpu - start.Cpu, end.Wall - start.Wall};
}

// One window, shown offscreen, over a store of kRecords connections of one
// user on one server, port and speed: the user's table is a connection list
// of every record, and a click on its Server column finds it in order.
struct Window {
    QTemporaryDir home;
    std::unique_ptr<vy::TMain> main;
    int userNode = -1;
    int domainNode = -1;

    Window()
    {
        // The window's settings never touch the real user's.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
        vy::Stores& s = vy::ProcessStores();
        vy::ClearStores(s);
        const int domain = vy::FindOrAddName(s, vy::KindDomain, "CORP", 0, 0, 0);
        const int user = vy::FindOrAddName(s, vy::KindUser, "bob", domain, 0, 0);
        const int server = vy::FindOrAddName(s, vy::KindServer, "SRV1", domain, 0, 0);
        const int port = vy::FindOrAddName(s, vy::KindPort, "COM1", domain, server, 0);
        const int speed = vy::FindOrAddName(s, vy::KindSpeed, "33600", domain, server, port);
        const double first = vy::EncodeDate(1998, 1, 1).value();
        for (int i = 0; i < kRecords; ++i) {
            vy::ConnectionRecord r;
            r.UserIndex = user;
            r.SpeedIndex = speed;
            r.DateTime = first + (i % (365 * 1440)) / 1440.0;
            r.ActiveTime = i % 7200;
            r.BytesSent = (i * 7919LL) % 5'000'000;
            r.BytesReceived = (i * 104729LL) % 5'000'000;
            s.Connections.Append(r);
        }
        vy::ProcessDateTexts().StripSeconds();
        main = std::make_unique<vy::TMain>();
        main->resize(1000, 700);
        main->show();
        // Every command runs on the window's thread, so that it can be timed.
        main->SetThreadedFrom(static_cast<std::size_t>(-1));
        main->Session().InitialDate = first;
        main->Session().FinalDate = first + 364;
        main->MenuRptUsersClick();
        QCoreApplication::processEvents();
        const vy::ReportTree& tree = main->Session().Tree;
        for (int node = 0; node < tree.Count(); ++node) {
            if (tree.Node(node).Image == vy::ImageUser)
                userNode = node;
            if (tree.Node(node).Image == vy::ImageDomain)
                domainNode = node;
        }
        Select(userNode);
        Painted();
    }

    void Select(int node)
    {
        for (QTreeWidgetItemIterator it(main->Tree); *it; ++it)
            if (vy::NodeOfItem(*it) == node)
                main->Tree->setCurrentItem(*it);
    }

    // What the user sees once the events of the change have run.
    void Painted()
    {
        QCoreApplication::processEvents();
        main->List->grab();
    }
};

Window& TheWindow()
{
    static int argc = 1;
    static char name[] = "bench_list_view";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left to the process's end: a window outliving its application, or
    // the reverse, is no part of what is measured.
    [[maybe_unused]] static auto* app = new QApplication(argc, argv);
    static auto* window = new Window;
    return *window;
}

void Report(benchmark::State& state, const Clocks& sum, const Clocks& alone, int rounds)
{
    state.counters["cpu_ms"] = benchmark::Counter(sum.Cpu * 1000 / rounds);
    state.counters["wall_ms"] = benchmark::Counter(sum.Wall * 1000 / rounds);
    state.counters["alone_cpu_ms"] = benchmark::Counter(alone.Cpu * 1000 / rounds);
    state.counters["rows_shown"] = benchmark::Counter(TheWindow().main->List->model()->rowCount());
}

// Rounds of: before() untimed, alone() on the session, then whole() in the
// window with the list painted; the figure is whole less alone.
void HandOver(benchmark::State& state, const std::function<void()>& before, const std::function<void()>& alone,
              const std::function<void()>& whole)
{
    Window& w = TheWindow();
    Clocks sum, apart;
    int rounds = 0;
    for (auto _ : state) {
        before();
        const Clocks part = Spent(alone);
        const Clocks all = Spent([&] {
            whole();
            w.Painted();
        });
        state.SetIterationTime(all.Wall - part.Wall);
        sum.Cpu += all.Cpu - part.Cpu;
        sum.Wall += all.Wall - part.Wall;
        apart.Cpu += part.Cpu;
        ++rounds;
    }
    Report(state, sum, apart, rounds);
}

// A tree click on the user where the list showed the domain's one row: the
// table built, handed to the list, painted.
void BM_TableArrives(benchmark::State& state)
{
    Window& w = TheWindow();
    HandOver(
        state,
        [&] {
            w.Select(w.domainNode);
            w.main->TreeClick();
            w.Painted();
            w.Select(w.userNode);
        },
        [&] { vy::TreeClick(w.main->Session(), vy::ProcessStores(), w.userNode, vy::ProcessDateTexts()); },
        [&] { w.main->TreeClick(); });
}

// A header click on the Server column, whose rows are all in order: the
// sort finds that; the rest is the hand-over.
void BM_SortHandOver(benchmark::State& state)
{
    Window& w = TheWindow();
    HandOver(
        state, [] {}, [&] { vy::ListColumnClick(w.main->Session(), 1); }, [&] { w.main->ListColumnClick(1); });
}

// Rounds of one command in the filter box (the whole search included), then
// the list painted: the box holds before first, and is emptied again after
// each round, untimed.
void FilterCommand(benchmark::State& state, const QString& before, const std::function<void(QLineEdit*)>& command)
{
    Window& w = TheWindow();
    QLineEdit* box = w.main->Filter()->Edit();
    Clocks sum;
    int rounds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        box->insert(before);
        w.Painted();
        state.ResumeTiming();
        const Clocks spent = Spent([&] {
            command(box);
            w.Painted();
        });
        state.SetIterationTime(spent.Wall);
        state.PauseTiming();
        box->clear();
        w.Painted();
        state.ResumeTiming();
        sum.Cpu += spent.Cpu;
        sum.Wall += spent.Wall;
        ++rounds;
    }
    Report(state, sum, {}, rounds);
}

// A keystroke after before.
void FilterKeystroke(benchmark::State& state, const QString& text, const QString& before = {})
{
    FilterCommand(state, before, [&text](QLineEdit* box) { box->insert(text); });
}

// No cell holds a "#".
void BM_FilterMatchesNothing(benchmark::State& state) { FilterKeystroke(state, QStringLiteral("#")); }
// Every row's Server cell holds "S".
void BM_FilterMatchesAll(benchmark::State& state) { FilterKeystroke(state, QStringLiteral("S")); }

// A second "#" typed: only the rows the first left are searched again.
void BM_FilterTypedOn(benchmark::State& state) { FilterKeystroke(state, QStringLiteral("#"), QStringLiteral("#")); }

// The box emptied after a filter that showed every row.
void BM_FilterCleared(benchmark::State& state)
{
    FilterCommand(state, QStringLiteral("S"), [](QLineEdit* box) { box->clear(); });
}

}  // namespace

BENCHMARK(BM_TableArrives)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortHandOver)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterMatchesNothing)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterMatchesAll)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterTypedOn)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterCleared)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
