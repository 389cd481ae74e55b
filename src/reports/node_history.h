#pragma once
// Back and Forward through the tables shown: the tree nodes in the order
// they were shown, and the place reached in that list. A new tree (a scan,
// another view) starts a new history, since node numbers are the tree's.

#include <cstddef>
#include <optional>
#include <vector>

namespace vy {

class NodeHistory {
public:
    // A new tree, whose first shown node is node (none for -1).
    void Reset(int node = -1);
    // node is shown: after the place reached, dropping what lay forward,
    // unless it is the node shown already.
    void Shown(int node);
    bool CanGoBack() const { return at_ > 0; }
    bool CanGoForward() const { return at_ + 1 < nodes_.size(); }
    // The node to show, once the place has moved; nothing at either end.
    std::optional<int> Back();
    std::optional<int> Forward();

private:
    std::vector<int> nodes_;
    std::size_t at_ = 0;
};

}  // namespace vy
