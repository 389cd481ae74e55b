#include "reports/date_presets.h"

#include <algorithm>

#include "store/date_value.h"

namespace vy {

namespace {

QDate DayOf(double value)
{
    const CivilDate day = DecodeDate(value);
    return QDate(day.Year, day.Month, day.Day);
}

}  // namespace

std::optional<DayRange> PresetRange(DatePreset preset, const QDate& today,
                                    const std::optional<std::pair<double, double>>& span)
{
    const QDate monthStart(today.year(), today.month(), 1);
    switch (preset) {
    case DatePreset::ThisMonth:
        return DayRange{monthStart, today};
    case DatePreset::LastMonth: {
        const QDate first = monthStart.addMonths(-1);
        return DayRange{first, monthStart.addDays(-1)};
    }
    case DatePreset::ThisYear:
        return DayRange{QDate(today.year(), 1, 1), today};
    case DatePreset::FolderSpan: {
        if (!span)
            return std::nullopt;
        const QDate first = DayOf(std::min(span->first, span->second));
        const QDate last = DayOf(std::max(span->first, span->second));
        if (!first.isValid() || !last.isValid())
            return std::nullopt;
        return DayRange{first, last};
    }
    }
    return std::nullopt;
}

}  // namespace vy
