#include "export/data_text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>

namespace vy {

void AppendUtf8(std::string& out, std::string_view latin1)
{
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

void AppendCsvField(std::string& out, std::string_view latin1)
{
    if (latin1.find_first_of(",\"\r\n") == std::string_view::npos) {
        AppendUtf8(out, latin1);
        return;
    }
    out += '"';
    for (std::size_t from = 0;;) {
        const std::size_t quote = latin1.find('"', from);
        AppendUtf8(out, latin1.substr(from, quote - from));
        if (quote == std::string_view::npos)
            break;
        out += "\"\"";
        from = quote + 1;
    }
    out += '"';
}

void AppendJsonString(std::string& out, std::string_view latin1)
{
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {  // C1 too: it can steer a terminal
            out += "\\u00";
            out += Hex[c >> 4];
            out += Hex[c & 0xF];
        } else {
            AppendUtf8(out, std::string_view(&ch, 1));
        }
    }
    out += '"';
}

void AppendInteger(std::string& out, std::int64_t value)
{
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end);
}

namespace {

void AppendTwoDigits(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

void AppendIsoDateTime(std::string& out, double value)
{
    using namespace std::chrono;
    const double day = std::floor(value);
    const year_month_day date{sys_days(year{1899} / December / 30) + days{static_cast<long long>(day)}};
    // To the nearest second, never rounded into the next day.
    const int seconds = std::min(static_cast<int>(std::lround((value - day) * 86400.0)), 86399);
    const int y = static_cast<int>(date.year());
    AppendTwoDigits(out, y / 100 % 100);
    AppendTwoDigits(out, y % 100);
    out += '-';
    AppendTwoDigits(out, static_cast<int>(static_cast<unsigned>(date.month())));
    out += '-';
    AppendTwoDigits(out, static_cast<int>(static_cast<unsigned>(date.day())));
    out += 'T';
    AppendTwoDigits(out, seconds / 3600);
    out += ':';
    AppendTwoDigits(out, seconds / 60 % 60);
    if (seconds % 60 != 0) {
        out += ':';
        AppendTwoDigits(out, seconds % 60);
    }
}

bool IsPlainInteger(std::string_view text)
{
    if (text.empty() || text.size() > 18 || (text[0] == '0' && text.size() > 1))
        return false;
    for (char ch : text)
        if (ch < '0' || ch > '9')
            return false;
    return true;
}

}  // namespace vy
