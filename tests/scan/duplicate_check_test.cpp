#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "scan/duplicate_check.h"
#include "store/stores.h"

namespace vy {
namespace {

ConnectionRecord Record(int user, int speed, double dt, int active, int sent, int received)
{
    ConnectionRecord r;
    r.UserIndex = user;
    r.SpeedIndex = speed;
    r.DateTime = dt;
    r.ActiveTime = active;
    r.BytesSent = sent;
    r.BytesReceived = received;
    return r;
}

std::vector<bool> RemovedFlags(const Stores& s)
{
    std::vector<bool> out;
    for (int i = 0; i < s.Connections.Count(); ++i)
        out.push_back(s.Connections[i].Removed());
    return out;
}

// The comparison of every pair that the check must agree with.
std::vector<bool> PairwiseReference(std::vector<ConnectionRecord> recs)
{
    std::vector<bool> removed(recs.size(), false);
    for (std::size_t i = 0; i < recs.size(); ++i) {
        for (std::size_t j = i + 1; j < recs.size(); ++j) {
            const auto& a = recs[i];
            const auto& b = recs[j];
            if (!removed[i] && a.UserIndex == b.UserIndex && a.SpeedIndex == b.SpeedIndex &&
                a.DateTime == b.DateTime && a.ActiveTime == b.ActiveTime && a.BytesSent == b.BytesSent &&
                a.BytesReceived == b.BytesReceived)
                removed[i] = true;
        }
    }
    return removed;
}

class DuplicateCheckTest : public ::testing::Test {
protected:
    void Add(const ConnectionRecord& r) { ASSERT_TRUE(stores_->Connections.Append(r)); }
    std::vector<int> Run(bool* found = nullptr)
    {
        std::vector<int> percents;
        const bool f = MarkDuplicates(*stores_, [&](int p) { percents.push_back(p); });
        if (found != nullptr)
            *found = f;
        return percents;
    }
    std::unique_ptr<Stores> stores_ = std::make_unique<Stores>();
};

TEST_F(DuplicateCheckTest, OfThreeEqualRecordsOnlyTheLastStays)
{
    const auto r = Record(3, 7, 36079.5, 600, 1000, 2000);
    Add(r);
    Add(Record(4, 7, 36079.5, 600, 1000, 2000));
    Add(r);
    Add(r);
    bool found = false;
    Run(&found);
    EXPECT_TRUE(found);
    EXPECT_EQ(RemovedFlags(*stores_), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(stores_->Connections.Count(), 4) << "removed records keep their slots";
    EXPECT_EQ(stores_->Connections[0].UserIndex, 3);
    EXPECT_EQ(stores_->Connections[0].BytesSent, 1000) << "the other fields stay";
    EXPECT_EQ(stores_->Connections[3].UserIndex, 3);
}

TEST_F(DuplicateCheckTest, RecordsDifferingInAnyComparedFieldStay)
{
    const auto base = Record(1, 2, 36080.25, 60, 10, 20);
    Add(base);
    Add(Record(9, 2, 36080.25, 60, 10, 20));
    Add(Record(1, 9, 36080.25, 60, 10, 20));  // another speed, port or server means another speed entry
    Add(Record(1, 2, 36080.25 + 1.0 / 1440, 60, 10, 20));
    Add(Record(1, 2, 36080.25, 61, 10, 20));
    Add(Record(1, 2, 36080.25, 60, 11, 20));
    Add(Record(1, 2, 36080.25, 60, 10, 21));
    bool found = true;
    Run(&found);
    EXPECT_FALSE(found);
    EXPECT_EQ(RemovedFlags(*stores_), std::vector<bool>(7, false));
}

TEST_F(DuplicateCheckTest, AgreesWithTheComparisonOfEveryPair)
{
    std::mt19937 rng(42);
    std::vector<ConnectionRecord> recs;
    // Few distinct values, so that groups of every size occur.
    for (int i = 0; i < 3000; ++i) {
        recs.push_back(Record(static_cast<int>(rng() % 4), static_cast<int>(rng() % 3), 36000 + rng() % 3 / 1440.0,
                              static_cast<int>(rng() % 2), static_cast<int>(rng() % 3), static_cast<int>(rng() % 2)));
        Add(recs.back());
    }
    bool found = false;
    Run(&found);
    const auto expected = PairwiseReference(recs);
    EXPECT_EQ(RemovedFlags(*stores_), expected);
    EXPECT_TRUE(found);
}

TEST_F(DuplicateCheckTest, ZeroAndMinusZeroDatesAreEqual)
{
    Add(Record(1, 1, 0.0, 5, 5, 5));
    Add(Record(1, 1, -0.0, 5, 5, 5));
    Run();
    EXPECT_EQ(RemovedFlags(*stores_), (std::vector<bool>{true, false}));
}

TEST_F(DuplicateCheckTest, ProgressRoundsHalvesToEvenAndReportsOnlyChanges)
{
    // n = 4: the work is 8; done after each record 3, 5, 6, 6 -> 37.5, 62.5, 75, 75.
    for (int i = 0; i < 4; ++i)
        Add(Record(i, 0, 1, 1, 1, 1));
    EXPECT_EQ(Run(), (std::vector<int>{38, 62, 75}));
}

TEST_F(DuplicateCheckTest, ProgressOfThreeRecords)
{
    // The work is 4.5; done 2, 3, 3 -> 44.4, 66.7.
    for (int i = 0; i < 3; ++i)
        Add(Record(1, 1, 1, 1, 1, 1));
    bool found = false;
    EXPECT_EQ(Run(&found), (std::vector<int>{44, 67}));
    EXPECT_TRUE(found);
}

TEST_F(DuplicateCheckTest, EmptyAndSingleStoresNeitherFailNorReport)
{
    bool found = true;
    EXPECT_TRUE(Run(&found).empty());
    EXPECT_FALSE(found);
    Add(Record(1, 1, 1, 1, 1, 1));
    EXPECT_TRUE(Run(&found).empty()) << "one record: 0 of 0.5 stays 0";
    EXPECT_FALSE(found);
}

TEST_F(DuplicateCheckTest, ProgressOfManyRecordsClimbsToOneHundredPercentOnce)
{
    const int n = 20000;
    for (int i = 0; i < n; ++i)
        Add(Record(i % 500, 0, 36000 + i / 500, 1, 1, 1));
    const auto percents = Run();
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    for (std::size_t i = 1; i < percents.size(); ++i)
        EXPECT_EQ(percents[i], percents[i - 1] + 1) << "one call per whole percent, none repeated";
    EXPECT_EQ(percents.front(), 1);
}

TEST_F(DuplicateCheckTest, AStopSeenEndsTheCheckWhereItIs)
{
    for (int i = 0; i < 3 * 4096; ++i)
        Add(Record(i % 2, 0, 36000 + i % 2, 1, 1, 1));  // two groups, one in each half as it falls
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(MarkDuplicates(*stores_, nullptr, &stop));
    EXPECT_EQ(RemovedFlags(*stores_), std::vector<bool>(3 * 4096, false));
    bool found = false;
    Run(&found);
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace vy
