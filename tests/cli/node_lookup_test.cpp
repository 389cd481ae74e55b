#include <gtest/gtest.h>

#include "support/fixtures.h"

#include "cli/node_lookup.h"

namespace vy::cli {
namespace {

// Two domains, one of them twice (a path shared by two nodes), a user whose
// name holds the path joint itself.
ReportTree Sample(int* ids)
{
    ReportTree t;
    ids[0] = t.AddRoot("DOM", ImageDomain);
    ids[1] = t.AddChildLast(ids[0], "SRV1", ImageServer);
    ids[2] = t.AddChildLast(ids[1], "COM1", ImagePort);
    ids[3] = t.AddChildLast(ids[2], "28800", ImageSpeed);
    ids[4] = t.AddChildLast(ids[0], "a \\ b", ImageUser);
    ids[5] = t.AddRoot("Local", ImageDomain);
    ids[6] = t.AddRoot("DOM", ImageDomain);
    ids[7] = t.AddChildLast(ids[6], "SRV1", ImageServer);
    ids[8] = testing::AddChildFirst(t, ids[0], "SRV0", ImageServer);
    return t;
}

TEST(FindNodeByPath, WholePathsFirstInTreeOrder)
{
    int id[9];
    const ReportTree t = Sample(id);
    EXPECT_EQ(FindNodeByPath(t, "DOM").Node, id[0]);
    EXPECT_EQ(FindNodeByPath(t, "DOM \\ SRV1").Node, id[1]);
    EXPECT_EQ(FindNodeByPath(t, "DOM \\ SRV1 \\ COM1 \\ 28800").Node, id[3]);
    EXPECT_EQ(FindNodeByPath(t, "DOM \\ a \\ b").Node, id[4]);
    EXPECT_EQ(FindNodeByPath(t, "DOM \\ SRV0").Node, id[8]);
    EXPECT_EQ(FindNodeByPath(t, "Local").Node, id[5]);
    // Exact texts only: no trimming, no case folding, the joint as written.
    EXPECT_EQ(FindNodeByPath(t, "dom").Node, -1);
    EXPECT_EQ(FindNodeByPath(t, "DOM\\SRV1").Node, -1);
    EXPECT_EQ(FindNodeByPath(t, "DOM \\ SRV1 ").Node, -1);
    EXPECT_EQ(FindNodeByPath(t, "").Node, -1);
}

TEST(FindNodeByPath, NamesThePartNotFound)
{
    int id[9];
    const ReportTree t = Sample(id);
    NodeLookup r = FindNodeByPath(t, "DOM \\ SRV1 \\ COM9 \\ 28800");
    EXPECT_EQ(r.Node, -1);
    EXPECT_EQ(r.FoundPath, "DOM \\ SRV1");
    EXPECT_EQ(r.MissingPart, "COM9");

    r = FindNodeByPath(t, "NOPE \\ SRV1");
    EXPECT_EQ(r.FoundPath, "");
    EXPECT_EQ(r.MissingPart, "NOPE");

    r = FindNodeByPath(t, "Local \\ carol");
    EXPECT_EQ(r.FoundPath, "Local");
    EXPECT_EQ(r.MissingPart, "carol");

    r = FindNodeByPath(ReportTree{}, "1998");
    EXPECT_EQ(r.Node, -1);
    EXPECT_EQ(r.MissingPart, "1998");
}

}  // namespace
}  // namespace vy::cli
