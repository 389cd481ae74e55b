#include "reports/report_tree.h"

#include <utility>

namespace vy {

int ReportTree::NewNode(std::string text, int image, int parent, int key)
{
    ReportNode node;
    node.Text = std::move(text);
    node.Image = image;
    node.Key = key;
    node.Parent = parent;
    nodes_.push_back(std::move(node));
    return Count() - 1;
}

int ReportTree::AddRoot(std::string text, int image, int key)
{
    const int index = NewNode(std::move(text), image, -1, key);
    roots_.push_back(index);
    return index;
}

int ReportTree::AddChildLast(int parent, std::string text, int image, int key)
{
    const int index = NewNode(std::move(text), image, parent, key);
    Node(parent).Children.push_back(index);
    return index;
}

std::vector<int> ReportTree::DisplayOrder() const
{
    std::vector<int> order;
    order.reserve(nodes_.size());
    std::vector<int> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        order.push_back(n);
        const auto& children = Node(n).Children;
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return order;
}

}  // namespace vy
