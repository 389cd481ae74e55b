#pragma once
// The button beside the date fields that sets both to a usual range: this
// month, last month, this year, or all the folder holds (the days the last
// scan of the folder found connections on).

#include <functional>
#include <optional>
#include <utility>

#include <QDate>
#include <QString>
#include <QToolButton>

#include "reports/date_presets.h"

class QDateEdit;

namespace vy {

class DatePresetButton : public QToolButton {
    Q_OBJECT
public:
    DatePresetButton(QDateEdit& first, QDateEdit& last, QWidget* parent);

    // Where the present day and folder come from (the clock and the log
    // folder setting unless changed).
    std::function<QDate()> Today;
    std::function<QString()> Folder;

    // The first and last connect moments a scan of folder read.
    void SetSpan(const std::optional<std::pair<double, double>>& span, const QString& folder);
    QAction* Entry(DatePreset preset) const { return entries_[static_cast<int>(preset)]; }

private:
    void Choose(DatePreset preset);
    void UpdateEntries();

    QDateEdit& first_;
    QDateEdit& last_;
    QAction* entries_[4] = {};
    std::optional<std::pair<double, double>> span_;
    QString spanFolder_;
};

}  // namespace vy
