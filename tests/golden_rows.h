#pragma once

// Cases kept as rows of a table under tests/golden: fields between "|", blanks around them trimmed
// (a field in double quotes keeps its blanks, and "\n", "\r", "\t" and "\xHH" in it stand for a line
// feed, a carriage return, a tab and the byte HH, a backslash before any other character for that
// character); a line that starts with "#" is a comment, and an empty line is skipped.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tamo::test {

using Row = std::vector<std::string>;

inline std::vector<Row> GoldenRows(const std::string& file) {
    std::ifstream in(std::string(TAMO_SOURCE_DIR "/tests/golden/") + file);
    EXPECT_TRUE(in) << file;
    std::vector<Row> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        Row& row = rows.emplace_back();
        for (std::size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 1) {
            bar = line.find('|', start);
            std::string field = line.substr(start, bar == std::string::npos ? bar : bar - start);
            field.erase(0, field.find_first_not_of(' '));
            field.erase(field.find_last_not_of(' ') + 1);
            if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
                std::string text;
                for (std::size_t i = 1; i + 1 < field.size(); ++i) {
                    const char next = field[i] == '\\' && i + 2 < field.size() ? field[++i] : '\0';
                    text += next == '\0'  ? field[i]
                            : next == 'n' ? '\n'
                            : next == 'r' ? '\r'
                            : next == 't' ? '\t'
                            : next == 'x' ? static_cast<char>(std::stoi(field.substr((i += 2) - 1, 2), nullptr, 16))
                                          : next;
                }
                field = text;
            }
            row.push_back(field);
        }
    }
    return rows;
}

// The names of the files in a folder under tests/golden (those ending in `extension`, when given),
// without their extension, in order.
inline std::vector<std::string> GoldenNames(const std::string& folder, const std::string& extension = "") {
    std::vector<std::string> names;
    for (const auto& file :
         std::filesystem::directory_iterator(std::string(TAMO_SOURCE_DIR "/tests/golden/") + folder)) {
        if (extension.empty() || file.path().extension() == extension) {
            names.push_back(file.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tamo::test
