#include <gtest/gtest.h>

#include "settings/list_column_state.h"
#include "settings/recent_folders.h"

namespace vy {
namespace {

TEST(RecentFolders, NewestFirstWithoutRepeatsAndNeverMoreThanTheCount)
{
    QString stored;
    for (int i = 0; i < RecentFolderCount + 3; ++i)
        stored = WithRecentFolder(stored, QStringLiteral("/logs/%1").arg(i));
    stored = WithRecentFolder(stored, QStringLiteral("/logs/5/"));
    const QStringList folders = RecentFolderList(stored);
    ASSERT_EQ(folders.size(), RecentFolderCount);
    EXPECT_EQ(folders.front(), "/logs/5/");
    EXPECT_EQ(folders.filter(QStringLiteral("/logs/5")).size(), 1);
    EXPECT_EQ(folders.back(), "/logs/3");
    // A hand-edited list shows what it can.
    EXPECT_EQ(RecentFolderList("\n/a\n\n/a/\n  \n/b"), QStringList({"/a", "/b"}));
}

TEST(ListColumns, DamagedKindsAreLeftOutAndTheRestReadsBack)
{
    const std::map<int, ListColumnState> states{{1, {{120, 60, 80, 80}, {3, 0, 1, 2}}}, {8, {{50, 40}, {0, 1}}}};
    EXPECT_EQ(ParseListColumns(ListColumnsText(states)), states);
    const QString damaged = ListColumnsText(states) +
                            QStringLiteral(";2=10,0|0,1;3=10,10|0,0;4=10,10|0,2;5=10|0,1;6=x|0;7;=;9=10,10");
    EXPECT_EQ(ParseListColumns(damaged), states);
}

}  // namespace
}  // namespace vy
