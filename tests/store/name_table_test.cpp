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
    auto parent = [&](int i) { return t[static_cast<std::uint16_t>(i)].Parent; };
    for (int i = 0; i < t.Count(); ++i) {
        const InfoRec& e = t[i];
        if (e.Name != n || e.Kind != k)
            continue;
        bool ok = false;
        switch (k) {
        case KindDomain: ok = true; break;
        case KindUser:
        case KindServer: ok = e.Parent == static_cast<std::uint16_t>(d); break;
        case KindPort: ok = e.Parent == static_cast<std::uint16_t>(s) && parent(s) == static_cast<std::uint16_t>(d); break;
        case KindSpeed:
            ok = e.Parent == static_cast<std::uint16_t>(p) && parent(p) == static_cast<std::uint16_t>(s) &&
                 parent(s) == static_cast<std::uint16_t>(d);
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

TEST(NameTable, FullTableAddsNothingButStillFinds)
{
    auto st = std::make_unique<Stores>();
    for (int i = 0; i < NameTable::Capacity; ++i)
        ASSERT_EQ(FindOrAddName(*st, KindDomain, std::to_string(i), 0, 0, 0), i);
    EXPECT_TRUE(st->Names.IsFull());
    EXPECT_EQ(FindOrAddName(*st, KindDomain, "one more", 0, 0, 0), -1);
    EXPECT_EQ(st->Names.Count(), NameTable::Capacity);
    EXPECT_EQ(FindOrAddName(*st, KindDomain, "65535", 0, 0, 0), 65535);
}

TEST(ConnectionStore, CapacityAndRemovalMark)
{
    auto st = std::make_unique<Stores>();
    ConnectionRecord r;
    r.UserIndex = 0xFFFF;  // a user in the last name slot is not a removed record
    r.SpeedIndex = 3;
    r.BytesSent = 5000000000;  // beyond 32 bits
    for (int i = 0; i < ConnectionStore::Capacity; ++i)
        ASSERT_TRUE(st->Connections.Append(r));
    EXPECT_FALSE(st->Connections.Append(r));
    EXPECT_EQ(st->Connections.Count(), 1000001);
    EXPECT_FALSE(st->Connections[5].Removed());
    MarkRemoved(*st, 5);
    EXPECT_TRUE(st->Connections[5].Removed());
    EXPECT_EQ(st->Connections[5].UserIndex, 0xFFFF);
    EXPECT_EQ(st->Connections[5].SpeedIndex, 0xFFFF);
    EXPECT_EQ(st->Connections[5].BytesSent, 5000000000);
    EXPECT_EQ(st->Connections.Count(), 1000001);  // a removed record still counts
}

}  // namespace
}  // namespace vy
