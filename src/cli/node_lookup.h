#pragma once
// Finding a tree node by its node path, as the totals panel shows it.

#include <string>

#include "reports/report_tree.h"

namespace vy::cli {

struct NodeLookup {
    int Node = -1;  // the first node in display order with that path; -1 if none
    // When there is none: the longest leading part of the path that names a
    // node (empty when not even a root matches) and the part after it that
    // names nothing.
    std::string FoundPath;
    std::string MissingPart;
};

NodeLookup FindNodeByPath(const ReportTree& tree, const std::string& path);

}  // namespace vy::cli
