#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/progress_bar.h"

namespace vy::cli {
namespace {

std::string Captured(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    return out;
}

TEST(ProgressBar, DrawsInPlaceAndWipesWhenDone)
{
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        ProgressBar bar(f, 80);
        bar.PhaseBegun(ScanPhase::Reading);
        bar.FileBegun("A.txt");
        bar.PercentDone(50, true);
        EXPECT_EQ(bar.Line(), "Processing [##########          ] 50%  file: a.txt");
    }
    const std::string out = Captured(f);
    std::fclose(f);
    EXPECT_EQ(out,
              "\rProcessing [                    ] 0%\x1b[K"
              "\rProcessing [                    ] 0%  file: a.txt\x1b[K"
              "\rProcessing [##########          ] 50%  file: a.txt\x1b[K"
              "\r\x1b[K");
    EXPECT_EQ(out.find('\n'), std::string::npos);
}

TEST(ProgressBar, StaysWithinTheTerminalAndSafe)
{
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        ProgressBar bar(f, 30);
        bar.PhaseBegun(ScanPhase::CheckingDuplicates);
        bar.PercentDone(130, false);  // lines ended by a lone CR overshoot
        EXPECT_EQ(bar.Line(), "Checking [###################");
        EXPECT_EQ(bar.Line().size(), 29u);
        ProgressBar wide(f, 200);
        wide.PercentDone(130, false);
        EXPECT_EQ(wide.Line(), "Scanning [####################] 130%");
        wide.FileBegun(QString::fromLatin1("\x1b]0;owned\x07.txt"));
        EXPECT_EQ(wide.Line(), "Scanning [####################] 130%  file: ?]0;owned?.txt");
    }
    const std::string out = Captured(f);
    std::fclose(f);
    EXPECT_EQ(out.find('\x07'), std::string::npos);
    EXPECT_EQ(out.find("\x1b]"), std::string::npos);
    // Nothing drawn, nothing to wipe.
    std::FILE* g = std::tmpfile();
    ASSERT_NE(g, nullptr);
    { ProgressBar idle(g, 80); }
    EXPECT_EQ(Captured(g), "");
    std::fclose(g);
}

}  // namespace
}  // namespace vy::cli
