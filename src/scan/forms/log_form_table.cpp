#include "scan/forms/log_form_table.h"

#include <algorithm>

namespace vy {

// Each defined in its own file of this folder.
extern const LogFormEntry kEventLogFileForm, kEventViewerCsvForm, kEventViewerTextForm, kPowerShellCsvForm,
    kXmlForm, kNpsDtsForm, kNpsOdbcForm, kNpsIasForm, kDetailForm, kRadacctForm, kClassicForm;

std::span<const LogFormEntry> LogFormTable()
{
    static const LogFormEntry table[] = {
        kEventLogFileForm,
        kEventViewerCsvForm,
        kEventViewerTextForm,
        kPowerShellCsvForm,
        kNpsDtsForm,  // before XML, which would take its <Event> lines
        kNpsOdbcForm,
        kNpsIasForm,
        kXmlForm,
        kDetailForm,
        kRadacctForm,
        kClassicForm,
    };
    return table;
}

std::size_t FormOf(std::string_view head)
{
    const std::span<const LogFormEntry> table = LogFormTable();
    return std::find_if(table.begin(), table.end(), [head](const LogFormEntry& form) { return form.Recognises(head); }) -
           table.begin();
}

}  // namespace vy
