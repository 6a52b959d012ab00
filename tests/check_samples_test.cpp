// The program check over the sample programs in gcodes/, every finding against one table: today's samples
// and the ones written as CAM post-processors write them (one-digit motion words, modal headers,
// comments with commas, G91 sections, R arcs, drilling cycles, an inch program).

#include "check_fixture.h"
#include "golden_rows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string_view>

namespace tamo {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, check::Report>& Reports() {
    static const std::map<std::string, check::Report> reports = [] {
        std::map<std::string, check::Report> all;
        for (const auto& file : fs::directory_iterator(fs::path(TAMO_SOURCE_DIR) / "gcodes")) {
            test::TestMachine m;
            all[file.path().filename().string()] = test::CheckOpened(m, file.path().string());
        }
        return all;
    }();
    return reports;
}

std::string LineAndCode(int line, std::string_view code) {
    return std::to_string(line) + " " + std::string(code);
}

// Every finding of every sample, and no other, is in tests/golden/check/samples.txt.
TEST(CheckSamples, EverySampleGivesExactlyTheFindingsOfTheTable) {
    for (const auto& [sample, report] : Reports()) {
        std::multiset<std::string> found, expected;
        for (const check::Finding& f : report.findings) {
            found.insert(LineAndCode(f.line, f.code));
        }
        for (const test::Row& row : test::GoldenRows("check/samples.txt")) {
            if (row[0] == sample) {
                expected.insert(LineAndCode(std::stoi(row[1]), row[2]));
            }
        }
        EXPECT_EQ(found, expected) << sample;
    }
    EXPECT_EQ(Reports().at("square.txt").Summary(), "no findings");
    EXPECT_EQ(Reports().at("bracket.txt").Summary(), "no errors, 1 warning");
}

// What three findings say of the line they stand on.
TEST(CheckSamples, FindingsNameTheFileLineTheWordAndTheMovesConcerned) {
    const check::Finding* gh = test::Find(Reports().at("cam_pocket.txt"), "comma-split");
    ASSERT_NE(gh, nullptr);
    EXPECT_EQ(gh->file_line, 9);
    EXPECT_NE(gh->message.find("\"GH\""), std::string::npos) << gh->message;
    const check::Finding* hole = test::Find(Reports().at("cam_drill_inch.txt"), "carried-target");
    ASSERT_NE(hole, nullptr);
    EXPECT_NE(hole->message.find("X to 1 (set on line 14) and Y to 1"), std::string::npos) << hole->message;
    const check::Finding* slots = test::Find(Reports().at("cam_profile_slots.txt"), "incremental");
    ASSERT_NE(slots, nullptr);
    EXPECT_EQ(slots->severity, check::Severity::Error);
    EXPECT_NE(slots->message.find("5 moves up to line 25"), std::string::npos) << slots->message;
}

} // namespace
} // namespace tamo
