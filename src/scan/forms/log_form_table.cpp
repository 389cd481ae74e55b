#include "scan/forms/log_form_table.h"

namespace vy {

// Each defined in its own file of this folder.
extern const LogFormEntry kEventLogFileForm, kEventViewerCsvForm, kEventViewerTextForm, kPowerShellCsvForm,
    kXmlForm, kClassicForm;

std::span<const LogFormEntry> LogFormTable()
{
    static const LogFormEntry table[] = {
        kEventLogFileForm,
        kEventViewerCsvForm,
        kEventViewerTextForm,
        kPowerShellCsvForm,
        kXmlForm,
        kClassicForm,
    };
    return table;
}

std::size_t FormOf(std::string_view head)
{
    const std::span<const LogFormEntry> table = LogFormTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Recognises(head))
            return i;
    return table.size();
}

}  // namespace vy
