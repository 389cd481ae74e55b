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

std::string First(const std::vector<std::string>& differences) { return differences.empty() ? "" : differences[0]; }

QString SampleFile(const char* name)
{
    return QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/tests/data/evtx/" + name;
}

std::string GeneratedFile(std::int64_t connections, std::int64_t others)
{
    QTemporaryDir dir;
    loggen::GeneratorOptions o;
    o.Seed = 8;
    o.ConnectionLines = connections;
    o.OtherLines = others;
    o.Form = loggen::MessageForm::Evtx;  // 20251 and 20272 in turn
    const auto folder = loggen::GenerateLogFolder(dir.path().toStdString(), o);
    return Slurp(QDir(dir.path()).filePath(QString::fromStdString(folder.Files[0])));
}

TEST(EvtxFastReader, ReadsTheRealFilesAsLibevtxDoes)
{
    for (const char* name : {"system.evtx", "security.evtx", "dns_log_malformed.evtx"}) {
        evtxdiff::Tally t;
        const auto differences = evtxdiff::Differences(Slurp(SampleFile(name)), &t);
        EXPECT_TRUE(differences.empty()) << name << "\n" << First(differences);
        // The System log's classic and manifest events are read, not handed back.
        if (std::string_view(name) == "system.evtx") {
            EXPECT_GT(t.Read, t.HandedBack);
        }
    }
}

TEST(EvtxFastReader, ReadsEveryGeneratedRecordAsLibevtxDoes)
{
    evtxdiff::Tally t;
    const auto differences = evtxdiff::Differences(GeneratedFile(400, 2000), &t);
    EXPECT_TRUE(differences.empty()) << First(differences);
    EXPECT_EQ(t.Read, 2400);
    EXPECT_EQ(t.HandedBack, 0);
}

TEST(EvtxFastReader, ChangedBytesAreReadAsLibevtxReadsThemOrHandedBack)
{
    // Changes that keep the checksums right reach the parsing itself.
    std::mt19937 rng(17);
    for (const std::string& whole : {GeneratedFile(100, 300), Slurp(SampleFile("system.evtx"))}) {
        for (int round = 0; round < 12; ++round) {
            std::string bytes = whole;
            const std::size_t chunks = (bytes.size() - 4096) / evtx::kChunkSize;
            const std::size_t chunk = 4096 + evtx::kChunkSize * (rng() % std::min<std::size_t>(chunks, 2));
            for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k)
                bytes[chunk + 512 + rng() % 20000] = static_cast<char>(rng());
            evtxdiff::RepairChecksums(bytes);
            const auto differences = evtxdiff::Differences(bytes);
            EXPECT_TRUE(differences.empty()) << round << "\n" << First(differences);
        }
    }
    // And the changes fuzzing once found a difference in.
    const QDir seeds(QString::fromLocal8Bit(qgetenv("VY_SOURCE_DIR")) + "/fuzz/seeds-fuzz_evtx_fast");
    ASSERT_FALSE(seeds.entryList(QDir::Files).isEmpty());
    for (const QString& name : seeds.entryList(QDir::Files)) {
        std::string bytes = Slurp(seeds.filePath(name));
        evtxdiff::RepairChecksums(bytes);
        EXPECT_TRUE(evtxdiff::Differences(bytes).empty()) << name.toStdString();
    }
}

}  // namespace
}  // namespace vy
