#pragma once
// Helpers the suites share: a date-time value from its parts, a connection
// entered as the scan enters it, and the text of the error an operation
// throws.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "reports/report_table.h"
#include "reports/report_tree.h"
#include "store/date_value.h"
#include "store/stores.h"

namespace vy::testing {

// A child placed before its elder siblings, as the Users tree places servers.
inline int AddChildFirst(ReportTree& tree, int parent, std::string text, int image)
{
    const int index = tree.AddChildLast(parent, std::move(text), image);
    auto& children = tree.Node(parent).Children;
    children.insert(children.begin(), index);
    children.pop_back();
    return index;
}

// The texts of a row as the list shows them, kept or made.
inline std::vector<std::string> RowTexts(const ReportTable& table, std::size_t row)
{
    std::vector<std::string> texts;
    std::string buffer;
    const ReportRow& r = table.Rows.at(row);
    for (std::size_t c = 0; c < CellCount(table, r); ++c)
        texts.emplace_back(CellText(table, r, c, buffer));
    return texts;
}

inline double At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return EncodeDate(year, month, day).value() + EncodeTime(hour, minute, second).value();
}

struct Connection {
    std::string Domain, User, Server, Port, Speed;
    double When = 0;
    std::int32_t Time = 0;
    std::int64_t Sent = 0;
    std::int64_t Received = 0;
};

// Finds or adds the five names in the scan's order and appends the record;
// the record's index.
inline int Add(Stores& stores, const Connection& c)
{
    const int d = FindOrAddName(stores, KindDomain, c.Domain, 0, 0, 0);
    const int u = FindOrAddName(stores, KindUser, c.User, d, 0, 0);
    const int s = FindOrAddName(stores, KindServer, c.Server, d, 0, 0);
    const int p = FindOrAddName(stores, KindPort, c.Port, d, s, 0);
    const int sp = FindOrAddName(stores, KindSpeed, c.Speed, d, s, p);
    ConnectionRecord r;
    r.UserIndex = u;
    r.SpeedIndex = sp;
    r.DateTime = c.When;
    r.ActiveTime = c.Time;
    r.BytesSent = c.Sent;
    r.BytesReceived = c.Received;
    stores.Connections.Append(r);
    return stores.Connections.Count() - 1;
}

// What the operation throws, or "(no error)".
template <typename Error = std::exception>
std::string ErrorOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace vy::testing
