#pragma once
// The report tree as plain data. Nodes are addressed by their index in Nodes;
// siblings stand in the order the builders add them.

#include <limits>
#include <string>
#include <vector>

namespace vy {

// The key of a node or row that stands for nothing (day numbers can be
// negative, so -1 is taken).
constexpr int NoKey = std::numeric_limits<int>::min();

// Node images, which are also the node kinds (0 marks a connection row).
enum NodeImage : int {
    ImageConnection = 0,
    ImageDomain = 1,
    ImageUser = 2,
    ImageServer = 3,
    ImagePort = 4,
    ImageSpeed = 5,
    ImageYear = 6,
    ImageMonth = 7,
    ImageDay = 8,
};

struct ReportNode {
    std::string Text;
    int Image = 0;
    // What the node stands for: the name-table index of its domain, user,
    // server, port or speed; its year; its month as year * 100 + month; or
    // its day number.
    int Key = NoKey;
    int Parent = -1;  // -1 for a root
    std::vector<int> Children;
    bool Expanded = false;
};

class ReportTree {
public:
    void Clear() { nodes_.clear(); roots_.clear(); }
    int Count() const { return static_cast<int>(nodes_.size()); }
    bool Empty() const { return nodes_.empty(); }
    const ReportNode& Node(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
    ReportNode& Node(int index) { return nodes_[static_cast<std::size_t>(index)]; }
    const std::vector<int>& Roots() const { return roots_; }
    int FirstRoot() const { return roots_.empty() ? -1 : roots_.front(); }

    int AddRoot(std::string text, int image, int key = NoKey);
    int AddChildLast(int parent, std::string text, int image, int key = NoKey);
    // Visits every node depth-first in display order (roots in order, each
    // node before its children): the order in which the tree lists them.
    std::vector<int> DisplayOrder() const;

private:
    int NewNode(std::string text, int image, int parent, int key);
    std::vector<ReportNode> nodes_;
    std::vector<int> roots_;
};

}  // namespace vy
