#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include "loggen/log_generator.h"
#include "scan/evtx_differential.h"

namespace vy {
namespace {

std::string Slurp(const QString& path)
{
    std::ifstream in(QFile::encodeName(path).constData(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Shown(const std::vector<std::string>& differences)
{
    std::string out;
    for (std::size_t i = 0; i < differences.size() && i < 5; ++i)
        out += differences[i] + "\n";
    return out;
}

TEST(EvtxFastReader, ReadsTheRealFilesAsLibevtxDoes)
{
    const QDir data(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/evtx");
    for (const char* name : {"system.evtx", "security.evtx", "dns_log_malformed.evtx"}) {
        evtxdiff::Tally t;
        const auto differences = evtxdiff::Differences(Slurp(data.filePath(name)), &t);
        EXPECT_TRUE(differences.empty()) << name << "\n" << Shown(differences);
        std::printf("%s: read %lld, not connections %lld, handed back %lld records and %lld chunks\n", name,
                    (long long)t.Read, (long long)t.NotConnection, (long long)t.HandedBack, (long long)t.ChunksHandedBack);
    }
}

}  // namespace
}  // namespace vy
