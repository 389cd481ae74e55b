#pragma once
// Small helpers for single-byte text: letter case changes only A to Z, and
// numbers are plain decimal digits, whatever the locale.

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace vy {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline void AppendAsciiLower(std::string& out, std::string_view text)
{
    for (char c : text)
        out.push_back(AsciiLower(c));
}

inline bool EqualAsciiFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// The whole text as a decimal number of type Int: digits only, with a
// leading "-" for signed types; nullopt for anything else or a value out of
// Int's range.
template <typename Int>
std::optional<Int> ReadDecimal(std::string_view text)
{
    Int value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// As ReadDecimal, without a sign.
template <typename Int>
std::optional<Int> ReadDigits(std::string_view text)
{
    if (text.empty() || !IsAsciiDigit(text.front()))
        return std::nullopt;
    return ReadDecimal<Int>(text);
}

// As ReadDecimal, with a "+" allowed before the digits as well.
template <typename Int>
std::optional<Int> ReadSignedDecimal(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        return ReadDigits<Int>(text.substr(1));
    return ReadDecimal<Int>(text);
}

}  // namespace vy
