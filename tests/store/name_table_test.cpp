#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "store/stores.h"

namespace vy {
namespace {

// The lookup the name table must agree with: every entry in use, the highest
// matching index wins.
int LinearFind(const NameTable& t, NameKind k, const std::string& n, int d, int s, int p)
{
    int found = -1;
    auto parent = [&](int i) { return t[i].Parent; };
    for (int i = 0; i < t.Count(); ++i) {
        const InfoRec& e = t[i];
        if (e.Name != n || e.Kind != k)
            continue;
        bool ok = false;
        switch (k) {
        case KindDomain: ok = true; break;
        case KindUser:
        case KindServer: ok = e.Parent == d; break;
        case KindPort: ok = e.Parent == s && parent(s) == d; break;
        case KindSpeed:
            ok = e.Parent == p && parent(p) == s &&
                 parent(s) == d;
            break;
        }
        if (ok)
            found = i;
    }
    return found;
}

TEST(NameTable, KindsAndParentsKeepNamesApart)
{
    auto owner = std::make_unique<Stores>();
    Stores& st = *owner;
    const int dom = FindOrAddName(st, KindDomain, "DOM", 0, 0, 0);
    const int user = FindOrAddName(st, KindUser, "DOM", dom, 0, 0);
    EXPECT_EQ(dom, 0);
    EXPECT_EQ(user, 1);  // a user named like the domain is another entry
    const int dom2 = FindOrAddName(st, KindDomain, "dom", 0, 0, 0);
    EXPECT_NE(dom2, dom);  // domains differ in case
    const int bob1 = FindOrAddName(st, KindUser, "bob", dom, 0, 0);
    const int bob2 = FindOrAddName(st, KindUser, "bob", dom2, 0, 0);
    EXPECT_NE(bob1, bob2);
    const int s1 = FindOrAddName(st, KindServer, "SRV", dom, 0, 0);
    const int s2 = FindOrAddName(st, KindServer, "SRV2", dom, 0, 0);
    const int p1 = FindOrAddName(st, KindPort, "COM1", dom, s1, 0);
    const int p2 = FindOrAddName(st, KindPort, "COM1", dom, s2, 0);
    EXPECT_NE(p1, p2);
    const int sp1 = FindOrAddName(st, KindSpeed, "28800", dom, s1, p1);
    const int sp2 = FindOrAddName(st, KindSpeed, "28800", dom, s2, p2);
    EXPECT_NE(sp1, sp2);
    EXPECT_EQ(FindOrAddName(st, KindSpeed, "28800", dom, s1, p1), sp1);
    EXPECT_EQ(st.Names[sp1].Parent, p1);
    EXPECT_EQ(st.Names[p1].Parent, s1);
    EXPECT_EQ(st.Names[dom].Parent, 0);
    // A second scan starts again at index 0 and sees nothing of the first.
    ClearStores(st);
    EXPECT_EQ(st.Names.Find(KindDomain, "DOM", 0, 0, 0), -1);
    EXPECT_EQ(FindOrAddName(st, KindDomain, "other", 0, 0, 0), 0);
}

TEST(NameTable, AgreesWithTheLinearPassOnRandomLines)
{
    auto st = std::make_unique<Stores>();
    std::uint32_t seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
    };
    for (int line = 0; line < 3000; ++line) {
        const std::string dn = "D" + std::to_string(next(3));
        const int d = FindOrAddName(*st, KindDomain, dn, 0, 0, 0);
        const std::string un = "u" + std::to_string(next(20));
        ASSERT_EQ(LinearFind(st->Names, KindUser, un, d, 0, 0), st->Names.Find(KindUser, un, d, 0, 0));
        FindOrAddName(*st, KindUser, un, d, 0, 0);
        const std::string sn = "S" + std::to_string(next(4));
        const int s = FindOrAddName(*st, KindServer, sn, d, 0, 0);
        const std::string pn = "COM" + std::to_string(next(5));
        const int p = FindOrAddName(*st, KindPort, pn, d, s, 0);
        const std::string spn = std::to_string(9600 * (1 + next(3)));
        // Also ask with ancestors that do not belong together.
        const int wrongD = next(st->Names.Count());
        ASSERT_EQ(LinearFind(st->Names, KindSpeed, spn, wrongD, s, p), st->Names.Find(KindSpeed, spn, wrongD, s, p));
        ASSERT_EQ(LinearFind(st->Names, KindPort, pn, wrongD, s, 0), st->Names.Find(KindPort, pn, wrongD, s, 0));
        const int before = st->Names.Count();
        const int sp = FindOrAddName(*st, KindSpeed, spn, d, s, p);
        if (st->Names.Count() == before) {
            ASSERT_EQ(LinearFind(st->Names, KindSpeed, spn, d, s, p), sp);
        }
    }
}

TEST(NameTable, GrowsWithItsNames)
{
    auto st = std::make_unique<Stores>();
    const int n = 200000;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(FindOrAddName(*st, KindDomain, std::to_string(i), 0, 0, 0), i);
    EXPECT_EQ(st->Names.Count(), n);
    const int d = n / 2;
    const int u = FindOrAddName(*st, KindUser, "amy", d, 0, 0);
    EXPECT_EQ(u, n);
    EXPECT_EQ(st->Names[u].Parent, d);
    for (int i = 0; i < n; i += 997)
        ASSERT_EQ(st->Names.Find(KindDomain, std::to_string(i), 0, 0, 0), i);
    EXPECT_EQ(st->Names.Find(KindUser, "amy", d, 0, 0), u);
    st->Names.Clear();
    EXPECT_EQ(st->Names.Find(KindDomain, "5", 0, 0, 0), -1);
    EXPECT_EQ(FindOrAddName(*st, KindDomain, "5", 0, 0, 0), 0);
}

TEST(ConnectionStore, GrowsAndMarksRemovalBesideTheIndices)
{
    auto st = std::make_unique<Stores>();
    ConnectionRecord r;
    r.UserIndex = 70000;
    r.SpeedIndex = 3;
    r.BytesSent = 5000000000;  // beyond 32 bits
    const int n = 1100000;
    for (int i = 0; i < n; ++i) {
        r.ActiveTime = i;
        ASSERT_TRUE(st->Connections.Append(r));
    }
    EXPECT_EQ(st->Connections.Count(), n);
    EXPECT_EQ(st->Connections[n - 1].ActiveTime, n - 1);
    EXPECT_FALSE(st->Connections[5].Removed());
    MarkRemoved(*st, 5);
    EXPECT_TRUE(st->Connections[5].Removed());
    EXPECT_FALSE(st->Connections[6].Removed());
    EXPECT_EQ(st->Connections[5].UserIndex, 70000);
    EXPECT_EQ(st->Connections[5].SpeedIndex, 3);
    EXPECT_EQ(st->Connections[5].BytesSent, 5000000000);
    EXPECT_EQ(st->Connections.Count(), n);  // a removed record still counts
    int seen = 0;
    for (const ConnectionRecord& c : st->Connections)
        ASSERT_EQ(c.ActiveTime, seen++);
    EXPECT_EQ(seen, n);
}

}  // namespace
}  // namespace vy
