#pragma once
// Lets GoogleTest show QString values in failure messages.

#include <ostream>

#include <QString>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
