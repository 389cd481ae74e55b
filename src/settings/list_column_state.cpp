#include "settings/list_column_state.h"

#include <algorithm>

#include <QStringList>

namespace vy {

namespace {

constexpr int kWidestColumn = 10000;

bool ReadNumbers(const QString& text, std::vector<int>& numbers, int lowest, int highest)
{
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok || n < lowest || n > highest)
            return false;
        numbers.push_back(n);
    }
    return true;
}

QString Joined(const std::vector<int>& numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

}  // namespace

std::map<int, ListColumnState> ParseListColumns(const QString& stored)
{
    std::map<int, ListColumnState> states;
    for (const QString& entry : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList kindAndRest = entry.split(QLatin1Char('='));
        const QStringList parts = kindAndRest.size() == 2 ? kindAndRest[1].split(QLatin1Char('|')) : QStringList();
        bool ok = false;
        const int kind = kindAndRest.front().toInt(&ok);
        if (!ok || parts.size() != 2)
            continue;
        ListColumnState state;
        if (!ReadNumbers(parts[0], state.Widths, 1, kWidestColumn) ||
            !ReadNumbers(parts[1], state.Order, 0, static_cast<int>(state.Widths.size()) - 1) ||
            state.Order.size() != state.Widths.size())
            continue;
        std::vector<int> sorted = state.Order;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
            continue;
        states[kind] = std::move(state);
    }
    return states;
}

QString ListColumnsText(const std::map<int, ListColumnState>& states)
{
    QStringList entries;
    for (const auto& [kind, state] : states)
        entries << QString::number(kind) + QLatin1Char('=') + Joined(state.Widths) + QLatin1Char('|') +
                       Joined(state.Order);
    return entries.join(QLatin1Char(';'));
}

}  // namespace vy
