// The program check over the sample programs in gcodes/, every finding against one table: today's samples
// (bracket: only its tool change; square: nothing) and the ones written as CAM post-processors
// write them (one-digit motion words, modal headers, comments with commas, G91 sections, R arcs,
// drilling cycles, an inch program).

#include "check_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string_view>

namespace tamo {
namespace {

namespace fs = std::filesystem;

struct Expected {
    const char* sample;
    int line;
    const char* code;
};

// clang-format off
const std::vector<Expected> kExpected{
    {"bracket.txt", 18, "tool-change"},

    {"cam_pocket.txt", 2, "comment-word"},       // (POCKET): its T is a word
    {"cam_pocket.txt", 4, "non-motion-g"},       // G90 G94 G17 G91.1
    {"cam_pocket.txt", 4, "arc-centre-mode"},    // G91.1
    {"cam_pocket.txt", 5, "non-motion-g"},       // G21
    {"cam_pocket.txt", 6, "non-motion-g"},       // G28 G91 Z0.
    {"cam_pocket.txt", 6, "incremental"},
    {"cam_pocket.txt", 6, "no-motion"},
    {"cam_pocket.txt", 7, "non-motion-g"},       // G90
    {"cam_pocket.txt", 10, "comma-split"},       // (POCKET1, ROUGHING): the motion word "GH"
    {"cam_pocket.txt", 11, "word-order"},        // T1 M6
    {"cam_pocket.txt", 11, "tool-change"},
    {"cam_pocket.txt", 13, "non-motion-g"},      // G54
    {"cam_pocket.txt", 15, "non-motion-g"},      // G43 Z15. H1
    {"cam_pocket.txt", 15, "no-motion"},
    {"cam_pocket.txt", 25, "non-motion-g"},      // G28 G91 Z0.
    {"cam_pocket.txt", 25, "incremental"},
    {"cam_pocket.txt", 25, "no-motion"},
    {"cam_pocket.txt", 26, "non-motion-g"},      // G90

    {"cam_drill_inch.txt", 4, "comma-split"},    // (DRILL 4 HOLES, 0.25 DIA)
    {"cam_drill_inch.txt", 5, "non-motion-g"},   // N10 G20 G90 G80 G40 G17
    {"cam_drill_inch.txt", 5, "unit-word"},
    {"cam_drill_inch.txt", 6, "word-order"},     // N20 T2 M06
    {"cam_drill_inch.txt", 6, "tool-change"},
    {"cam_drill_inch.txt", 9, "g-word-text"},    // N50 G43 H02 Z1.0
    {"cam_drill_inch.txt", 9, "no-motion"},
    {"cam_drill_inch.txt", 10, "drill-cycle"},   // N60 G81 and three more holes
    {"cam_drill_inch.txt", 14, "non-motion-g"},  // N100 G80
    {"cam_drill_inch.txt", 15, "word-order"},    // N110 G83 ... R0.1 Q0.1 F4.0
    {"cam_drill_inch.txt", 15, "drill-cycle"},
    {"cam_drill_inch.txt", 16, "non-motion-g"},  // N120 G80
    {"cam_drill_inch.txt", 17, "carried-target"},// N130 G00 Z1.0 also goes to the G83 hole
    {"cam_drill_inch.txt", 19, "non-motion-g"},  // N150 G28 G91 Z0
    {"cam_drill_inch.txt", 19, "incremental"},
    {"cam_drill_inch.txt", 19, "no-motion"},
    {"cam_drill_inch.txt", 20, "non-motion-g"},  // N160 G90

    {"cam_profile_slots.txt", 2, "comment-word"},    // (PROFILE AND SLOTS): F0
    {"cam_profile_slots.txt", 3, "non-motion-g"},    // N1 G00 G17 G21 G40 G49 G80 G90
    {"cam_profile_slots.txt", 4, "word-order"},      // N2 T03 M06 (6MM ENDMILL)
    {"cam_profile_slots.txt", 4, "comment-word"},    // its I
    {"cam_profile_slots.txt", 4, "tool-change"},
    {"cam_profile_slots.txt", 5, "word-order"},      // N3 G00 G54 Y-5.0 S6000 M03
    {"cam_profile_slots.txt", 5, "non-motion-g"},
    {"cam_profile_slots.txt", 5, "no-motion"},
    {"cam_profile_slots.txt", 6, "carried-target"},  // N4 G00 Z5.0 also goes to X-5 Y-5
    {"cam_profile_slots.txt", 10, "arc-radius-word"},// N8 G02 ... R10.0
    {"cam_profile_slots.txt", 12, "arc-radius-word"},// N10 G03 ... R10.0
    {"cam_profile_slots.txt", 17, "comma-split"},    // (SLOTS: THREE, 10 MM APART)
    {"cam_profile_slots.txt", 19, "non-motion-g"},   // N15 G91
    {"cam_profile_slots.txt", 19, "incremental"},
    {"cam_profile_slots.txt", 27, "non-motion-g"},   // N23 G90
    {"cam_profile_slots.txt", 28, "program-stop"},   // N24 M01

    {"cam_engrave.txt", 2, "comma-split"},       // ; engraving, written by ...
    {"cam_engrave.txt", 4, "comma-split"},       // ; units: mm, origin: lower left
    {"cam_engrave.txt", 5, "non-motion-g"},      // G21
    {"cam_engrave.txt", 6, "non-motion-g"},      // G90
};
// clang-format on

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

// Every finding of every sample, and no other, is in the table.
TEST(CheckSamples, EverySampleGivesExactlyTheFindingsOfTheTable) {
    for (const auto& [sample, report] : Reports()) {
        std::multiset<std::string> found, expected;
        for (const check::Finding& f : report.findings) {
            found.insert(LineAndCode(f.line, f.code));
        }
        for (const Expected& e : kExpected) {
            if (e.sample == sample) {
                expected.insert(LineAndCode(e.line, e.code));
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
