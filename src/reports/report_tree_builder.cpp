#include "reports/report_tree_builder.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <QCollator>
#include <QLocale>
#include <QString>

#include "reports/list_sort.h"
#include "store/date_value.h"

namespace vy {

const std::array<std::string_view, 13> MonthNames = {
    "",     "January", "February",  "March",   "April",    "May",      "Juny",
    "July", "August",  "September", "October", "November", "December",
};

namespace {

// Entries grouped by parent, each group in table order (a counting sort by
// parent, so the tree is built in a few passes over the table, not one pass
// per node). Domains are left out: their parent means nothing.
class ChildIndex {
public:
    explicit ChildIndex(const NameTable& names) : names_(names), start_(static_cast<std::size_t>(names.Count()) + 1, 0)
    {
        const int n = names.Count();
        for (int i = 0; i < n; ++i)
            if (Counts(i))
                ++start_[names[i].Parent + 1u];
        std::partial_sum(start_.begin(), start_.end(), start_.begin());
        items_.resize(static_cast<std::size_t>(start_.back()));
        std::vector<int> next(start_.begin(), start_.end() - 1);
        for (int i = 0; i < n; ++i)
            if (Counts(i))
                items_[static_cast<std::size_t>(next[names[i].Parent]++)] = i;
    }

    // The entries of the given kind under parent, in table order.
    std::vector<int> Of(int parent, NameKind kind) const
    {
        std::vector<int> result;
        for (int k = start_[static_cast<std::size_t>(parent)]; k < start_[static_cast<std::size_t>(parent) + 1]; ++k) {
            const int i = items_[static_cast<std::size_t>(k)];
            if (names_[i].Kind == kind)
                result.push_back(i);
        }
        return result;
    }

private:
    bool Counts(int i) const
    {
        return names_[i].Kind != KindDomain && names_[i].Parent >= 0 && names_[i].Parent < names_.Count();
    }

    const NameTable& names_;
    std::vector<int> start_;
    std::vector<int> items_;
};

// The entries in ascending order of their numbers, equal numbers in their
// given order.
void OrderByNumber(std::vector<int>& entries, const NameTable& names, std::string_view keyWord)
{
    std::vector<std::pair<long long, int>> keyed;
    keyed.reserve(entries.size());
    for (const int e : entries)
        keyed.emplace_back(NumberForOrder(names[e].Name, keyWord), e);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t k = 0; k < keyed.size(); ++k)
        entries[k] = keyed[k].second;
}

// The users in the platform's locale-aware, case-sensitive text order (the
// order of the system's own string comparison, not byte order). Sort keys
// are made once per name; equal-collating names keep their table order.
void OrderByCollation(std::vector<int>& users, const NameTable& names, const QCollator& collator)
{
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(users.size());
    for (const int u : users) {
        const std::string& name = names[u].Name;
        keyed.emplace_back(collator.sortKey(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))), u);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    for (std::size_t k = 0; k < keyed.size(); ++k)
        users[k] = keyed[k].second;
}

}  // namespace

long long NumberForOrder(std::string_view text, std::string_view keyWord)
{
    if (keyWord == "Port")
        return PortOrder(text);
    if (keyWord == "Speed")
        return SpeedOrder(text);
    return 0;
}

bool BuildUsersTree(ReportTree& tree, ReportTable& table, Stores& stores, bool stopRequested)
{
    if (stores.Connections.Count() == 0 && stores.Names.Count() == 0)
        return false;
    tree.Clear();
    table.Columns.clear();
    table.Rows.clear();
    table.Totals = {};
    if (stopRequested)
        ClearStores(stores);

    const NameTable& names = stores.Names;
    const ChildIndex children(names);
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseSensitive);

    int domainCount = 0;
    int lastDomainNode = -1;
    for (int d = 0; d < names.Count(); ++d) {
        if (names[d].Kind != KindDomain)
            continue;
        const int domainNode = tree.AddRoot(names[d].Name, ImageDomain, d);
        ++domainCount;
        lastDomainNode = domainNode;

        std::vector<int> users = children.Of(d, KindUser);
        OrderByCollation(users, names, collator);
        for (const int u : users)
            tree.AddChildLast(domainNode, names[u].Name, ImageUser, u);

        const std::vector<int> servers = children.Of(d, KindServer);
        for (const int s : servers) {
            const int serverNode = tree.AddChildLast(domainNode, names[s].Name, ImageServer, s);
            std::vector<int> ports = children.Of(s, KindPort);
            OrderByNumber(ports, names, "Port");
            for (const int p : ports) {
                const int portNode = tree.AddChildLast(serverNode, names[p].Name, ImagePort, p);
                std::vector<int> speeds = children.Of(p, KindSpeed);
                OrderByNumber(speeds, names, "Speed");
                for (const int sp : speeds)
                    tree.AddChildLast(portNode, names[sp].Name, ImageSpeed, sp);
            }
        }
        // Each server goes in as the first child, so the servers end up in
        // reverse table order ahead of the users.
        auto& kids = tree.Node(domainNode).Children;
        const auto firstServer = kids.begin() + static_cast<std::ptrdiff_t>(users.size());
        std::reverse(firstServer, kids.end());
        std::rotate(kids.begin(), firstServer, kids.end());
    }
    if (domainCount == 1)
        tree.Node(lastDomainNode).Expanded = true;
    return true;
}

bool BuildDateTree(ReportTree& tree, ReportTable& table, const Stores& stores, double initialDate, double finalDate)
{
    if (stores.Connections.Count() == 0 && stores.Names.Count() == 0)
        return false;
    tree.Clear();
    table.Columns.clear();
    table.Rows.clear();
    table.Totals = {};
    if (!std::isfinite(initialDate) || !std::isfinite(finalDate))
        return true;

    // Whole days, halves to even; kept within the years 1 to 9999 so that
    // an absurd range cannot build an endless tree.
    const double lowest = *EncodeDate(1, 1, 1);
    const double highest = *EncodeDate(9999, 12, 31);
    const double first = std::max(std::nearbyint(initialDate), lowest);
    const double last = std::min(std::nearbyint(finalDate), highest);

    int lastYear = 0;
    int lastMonth = 0;
    int lastDay = 0;
    int yearNode = -1;
    int monthNode = -1;
    for (double day = first; day <= last; day += 1) {
        const CivilDate date = DecodeDate(day);
        if (date.Year != lastYear)
            yearNode = tree.AddRoot(std::to_string(date.Year), ImageYear, date.Year);
        if (date.Month != lastMonth)
            monthNode = tree.AddChildLast(yearNode, std::string(MonthNames[static_cast<std::size_t>(date.Month)]),
                                          ImageMonth, date.Year * 100 + date.Month);
        if (date.Day != lastDay)
            tree.AddChildLast(monthNode, std::to_string(date.Day), ImageDay, static_cast<int>(day));
        lastYear = date.Year;
        lastMonth = date.Month;
        lastDay = date.Day;
    }
    return true;
}

}  // namespace vy
