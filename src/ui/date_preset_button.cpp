#include "ui/date_preset_button.h"

#include <QDateEdit>
#include <QMenu>

#include "settings/settings.h"

namespace vy {

DatePresetButton::DatePresetButton(QDateEdit& first, QDateEdit& last, QWidget* parent)
    : QToolButton(parent), first_(first), last_(last)
{
    setObjectName(QStringLiteral("DatePresets"));
    setText(QStringLiteral("Range"));
    setToolTip(QStringLiteral("Set both dates to a usual range"));
    setPopupMode(QToolButton::InstantPopup);
    Today = [] { return QDate::currentDate(); };
    Folder = [] { return ProcessSettings().LogDir; };
    auto* menu = new QMenu(this);
    const std::pair<DatePreset, const char*> presets[] = {
        {DatePreset::ThisMonth, "This &Month"},
        {DatePreset::LastMonth, "&Last Month"},
        {DatePreset::ThisYear, "This &Year"},
        {DatePreset::FolderSpan, "&All the Folder Holds"},
    };
    for (const auto& [preset, caption] : presets) {
        QAction* entry = menu->addAction(QString::fromLatin1(caption));
        connect(entry, &QAction::triggered, this, [this, preset] { Choose(preset); });
        entries_[static_cast<int>(preset)] = entry;
    }
    connect(menu, &QMenu::aboutToShow, this, &DatePresetButton::UpdateEntries);
    setMenu(menu);
    UpdateEntries();
}

void DatePresetButton::SetSpan(const std::optional<std::pair<double, double>>& span, const QString& folder)
{
    span_ = span;
    spanFolder_ = folder;
    UpdateEntries();
}

void DatePresetButton::UpdateEntries()
{
    // A span is the folder's only until another folder is chosen.
    Entry(DatePreset::FolderSpan)->setEnabled(span_.has_value() && spanFolder_ == Folder());
}

void DatePresetButton::Choose(DatePreset preset)
{
    UpdateEntries();
    if (!Entry(preset)->isEnabled())
        return;
    const auto range = PresetRange(preset, Today(), span_);
    if (!range)
        return;
    first_.setDate(range->First);
    last_.setDate(range->Last);
}

}  // namespace vy
