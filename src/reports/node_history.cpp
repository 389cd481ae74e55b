#include "reports/node_history.h"

namespace vy {

void NodeHistory::Reset(int node)
{
    nodes_.clear();
    at_ = 0;
    Shown(node);
}

void NodeHistory::Shown(int node)
{
    if (node < 0 || (!nodes_.empty() && nodes_[at_] == node))
        return;
    if (!nodes_.empty())
        nodes_.resize(at_ + 1);
    nodes_.push_back(node);
    at_ = nodes_.size() - 1;
}

std::optional<int> NodeHistory::Back()
{
    if (!CanGoBack())
        return std::nullopt;
    return nodes_[--at_];
}

std::optional<int> NodeHistory::Forward()
{
    if (!CanGoForward())
        return std::nullopt;
    return nodes_[++at_];
}

}  // namespace vy
