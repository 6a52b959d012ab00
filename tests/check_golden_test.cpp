// The bad-programs set: one program per finding in tests/golden/check, each with the findings it
// must produce on its first lines, "(expect LINE CODE SEVERITY)". Nothing else may be found, and
// each finding says what messages.txt says it says: the numbers, axes and lines the operator reads.

#include "check_fixture.h"
#include "golden_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace tamo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Expectations(const fs::path& program) {
    static const std::regex expect(R"(^\(expect (\d+) ([a-z0-9-]+) (error|warning)\)\r?$)");
    std::vector<std::string> expected;
    std::ifstream in(program);
    std::string line;
    std::smatch m;
    while (std::getline(in, line) && std::regex_match(line, m, expect)) {
        expected.push_back(m[1].str() + " " + m[2].str() + " " + m[3].str());
    }
    return expected;
}

TEST(CheckGolden, EveryBadProgramGivesExactlyTheFindingsItExpects) {
    const fs::path folder = fs::path(TAMO_SOURCE_DIR) / "tests" / "golden" / "check";
    int programs = 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        if (file.path().extension() != ".nc") {
            continue;
        }
        ++programs;
        test::TestMachine m;
        const check::Report report = test::CheckOpened(m, file.path().string());
        std::vector<std::string> found;
        for (const check::Finding& f : report.findings) {
            found.push_back(std::to_string(f.line) + " " + f.code + " " + check::SeverityName(f.severity));
        }
        std::vector<std::string> expected = Expectations(file.path());
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_FALSE(expected.empty()) << file.path().filename() << " expects nothing";
        EXPECT_EQ(found, expected) << file.path().filename();
        for (const test::Row& said : test::GoldenRows("check/messages.txt")) {
            if (said[0] == file.path().filename()) {
                const auto it = std::find_if(report.findings.begin(), report.findings.end(), [&](const auto& f) {
                    return std::to_string(f.line) == said[1] && f.code == said[2];
                });
                ASSERT_NE(it, report.findings.end()) << said[0] << " " << said[1] << " " << said[2];
                EXPECT_EQ(it->message, said[3]) << said[0];
            }
        }
    }
    EXPECT_GT(programs, 20);
}

} // namespace
} // namespace tamo
