#pragma once
// The report list's column widths and order per table kind, as the window
// settings keep them: "kind=width,width,...|logical,logical,...;kind=...",
// the order listing the logical column shown at each place.

#include <map>
#include <vector>

#include <QString>

namespace vy {

struct ListColumnState {
    std::vector<int> Widths;  // by logical column, in pixels
    std::vector<int> Order;   // the logical column at each place
    friend bool operator==(const ListColumnState&, const ListColumnState&) = default;
};

// Kinds whose entry is damaged (a width out of range, an order that is not
// a permutation of the columns) are left out: they show as made.
std::map<int, ListColumnState> ParseListColumns(const QString& stored);
QString ListColumnsText(const std::map<int, ListColumnState>& states);

}  // namespace vy
