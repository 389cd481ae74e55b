#include "export/report_writers.h"

namespace vy {

std::string TreeReport(const ReportTree& tree)
{
    std::string out;
    // Walked here rather than through DisplayOrder so each node's level is
    // known on the way down.
    struct Step {
        int Node;
        int Level;
    };
    std::vector<Step> stack;
    const auto& roots = tree.Roots();
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        stack.push_back({*it, 0});
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const ReportNode& node = tree.Node(step.Node);
        out.append(static_cast<std::size_t>(step.Level) * 2, ' ');
        out += std::to_string(node.Image);
        out += ' ';
        out += node.Text;
        out += ReportLineEnd;
        for (auto it = node.Children.rbegin(); it != node.Children.rend(); ++it)
            stack.push_back({*it, step.Level + 1});
    }
    return out;
}

}  // namespace vy
