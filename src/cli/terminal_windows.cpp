#include "cli/terminal.h"

#include <io.h>
#include <windows.h>

namespace vy::cli {

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

int TerminalWidth(std::FILE* stream)
{
    const auto console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleScreenBufferInfo(console, &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

}  // namespace vy::cli
