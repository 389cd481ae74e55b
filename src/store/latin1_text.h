#pragma once
// The program's single-byte texts to and from Qt's strings.

#include <string>
#include <string_view>

#include <QString>

namespace vy {

inline QString FromLatin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters beyond Latin-1 become '?'.
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace vy
