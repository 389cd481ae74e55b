#pragma once
// The date ranges offered beside the date fields.

#include <optional>
#include <utility>

#include <QDate>

namespace vy {

enum class DatePreset { ThisMonth, LastMonth, ThisYear, FolderSpan };

struct DayRange {
    QDate First;
    QDate Last;
};

// The range of the preset as seen on today. FolderSpan is the days of span
// (the first and last connect moments a scan read, as date-time values);
// nothing without a span.
std::optional<DayRange> PresetRange(DatePreset preset, const QDate& today,
                                    const std::optional<std::pair<double, double>>& span = std::nullopt);

}  // namespace vy
