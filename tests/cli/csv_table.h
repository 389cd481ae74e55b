#pragma once
// Reads RFC 4180 CSV back (comma, CR LF, quoted fields with doubled quotes).

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vy::testing {

inline std::vector<std::vector<std::string>> ReadCsv(const std::string& bytes)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (quoted) {
            if (ch != '"')
                field += ch;
            else if (i + 1 < bytes.size() && bytes[i + 1] == '"')
                field += bytes[++i];
            else
                quoted = false;
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
            ++i;
        } else {
            field += ch;
        }
    }
    EXPECT_TRUE(!quoted && row.empty() && field.empty()) << "unfinished last line";
    return rows;
}

}  // namespace vy::testing
