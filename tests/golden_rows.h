#pragma once

// Cases kept as rows of a table under tests/golden: fields between "|", blanks around them trimmed
// (a field in double quotes keeps its blanks, and "\n", "\r", "\t" and "\"" in it stand for a line
// feed, a carriage return, a tab and a double quote); a line that starts with "#" is a comment, and
// an empty line is skipped.

#include <gtest/gtest.h>

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
                field = field.substr(1, field.size() - 2);
                for (const auto& [escape, ch] : {std::pair{"\\n", '\n'}, {"\\r", '\r'}, {"\\t", '\t'}, {"\\\"", '"'}}) {
                    for (auto at = field.find(escape); at != std::string::npos; at = field.find(escape, at + 1)) {
                        field.replace(at, 2, 1, ch);
                    }
                }
            }
            row.push_back(field);
        }
    }
    return rows;
}

} // namespace tamo::test
