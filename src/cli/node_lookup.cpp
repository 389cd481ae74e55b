#include "cli/node_lookup.h"

#include <string_view>
#include <unordered_set>
#include <vector>

#include "reports/report_session.h"

namespace vy::cli {

namespace {

constexpr std::string_view Joint = " \\ ";

}  // namespace

NodeLookup FindNodeByPath(const ReportTree& tree, const std::string& path)
{
    // Compared as whole paths, since a node text may itself hold " \ ".
    std::unordered_set<std::string> paths;
    NodeLookup result;
    for (int node : tree.DisplayOrder()) {
        std::string p = NodePath(tree, node);
        if (p == path) {
            result.Node = node;
            return result;
        }
        paths.insert(std::move(p));
    }

    // Nothing matched: find the longest leading run of parts that does.
    std::vector<std::size_t> joints;
    for (std::size_t at = path.find(Joint); at != std::string::npos; at = path.find(Joint, at + 1))
        joints.push_back(at);
    std::size_t foundEnd = 0;
    bool found = false;
    for (std::size_t j : joints) {
        if (paths.count(path.substr(0, j)) != 0) {
            foundEnd = j;
            found = true;
        }
    }
    if (found) {
        result.FoundPath = path.substr(0, foundEnd);
        const std::size_t rest = foundEnd + Joint.size();
        const std::size_t next = path.find(Joint, rest);
        result.MissingPart = path.substr(rest, next == std::string::npos ? std::string::npos : next - rest);
    } else {
        const std::size_t first = path.find(Joint);
        result.MissingPart = path.substr(0, first);
    }
    return result;
}

}  // namespace vy::cli
