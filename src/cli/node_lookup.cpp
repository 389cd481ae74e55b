#include "cli/node_lookup.h"

#include <string_view>
#include <vector>

namespace vy::cli {

namespace {

constexpr std::string_view Joint = " \\ ";

// Walks the tree in display order down the nodes whose paths begin the
// searched path; a node text may itself hold " \ ", so every node whose text
// fits is tried. Only the nodes on the way are looked at.
struct PathWalk {
    const ReportTree& Tree;
    std::string_view Path;
    std::size_t FoundEnd = 0;  // of the longest leading part that names a node
    bool Found = false;

    int Walk(const std::vector<int>& level, std::size_t at)
    {
        for (const int node : level) {
            const std::string& text = Tree.Node(node).Text;
            if (Path.compare(at, text.size(), text) != 0)
                continue;
            const std::size_t end = at + text.size();
            if (end == Path.size())
                return node;
            if (Path.compare(end, Joint.size(), Joint) != 0)
                continue;
            if (!Found || end > FoundEnd) {
                FoundEnd = end;
                Found = true;
            }
            if (const int found = Walk(Tree.Node(node).Children, end + Joint.size()); found >= 0)
                return found;
        }
        return -1;
    }
};

}  // namespace

NodeLookup FindNodeByPath(const ReportTree& tree, const std::string& path)
{
    NodeLookup result;
    PathWalk walk{tree, path};
    result.Node = walk.Walk(tree.Roots(), 0);
    if (result.Node >= 0)
        return result;
    // Nothing matched: name the longest leading run of parts that does.
    std::size_t rest = 0;
    if (walk.Found) {
        result.FoundPath = path.substr(0, walk.FoundEnd);
        rest = walk.FoundEnd + Joint.size();
    }
    const std::size_t next = path.find(Joint, rest);
    result.MissingPart = path.substr(rest, next == std::string::npos ? std::string::npos : next - rest);
    return result;
}

}  // namespace vy::cli
