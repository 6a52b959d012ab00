// Long programs: the check, the program buffer and the parser's look at every word hold for
// programs of many lines as they do for a handful, without a list of every position or a copy of
// every entry.

#include "check_fixture.h"
#include "interpreter/line_words.h"
#include "interpreter/program_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamo {
namespace {

// 1,200 moves round a 10 x 10 square, so that the outermost hundredth is twelve moves deep on
// either side of each axis; strays among them at known lines.
TEST(LongProgramCheck, FarMovesFoundAmongThousandsOfMoves) {
    std::string program = "G01 X0 Y0 F100\nG01 X1,Y1\n"; // the comma: entries run one ahead of file lines
    std::vector<std::string> far;                        // "entry file_line message"
    int entry = 3;                                       // entries so far
    auto add = [&](const std::string& line) {
        program += line + "\n";
        ++entry;
    };
    for (int i = 0; i < 1200; ++i) {
        const std::string at = std::to_string(entry + 1) + " " + std::to_string(entry) + " ";
        if (i == 100) {
            add("X1000 Y5");
            far.push_back(at + "X1000");
        } else if (i == 400) {
            add("X-700 Y5 Z300"); // far on two axes: one finding
            far.push_back(at + "X-700 Z300");
        } else if (i == 401 || i == 402) {
            add("X5 Y5 Z0");
        } else if (i >= 700 && i < 708) {
            add("X11 Y" + std::to_string(i % 3)); // outermost, but not far
        } else if (i == 900) {
            add("X5 Y-999.5");
            far.push_back(at + "Y-999.5");
        } else {
            add("X" + std::to_string(i % 2 * 10) + " Y" + std::to_string(i / 2 % 2 * 10));
        }
    }
    test::TestMachine m;
    const check::Report report = test::CheckText(m, program);
    std::vector<std::string> found;
    for (const check::Finding& f : report.findings) {
        if (f.code == "far-move") {
            const std::string prefix = "This move goes to ";
            ASSERT_EQ(f.message.rfind(prefix, 0), 0u) << f.message;
            EXPECT_NE(f.message.find("(X 0 to 10, Y 0 to 10, Z 0 to 0)"), std::string::npos) << f.message;
            const std::string values = f.message.substr(prefix.size(), f.message.find(',') - prefix.size());
            found.push_back(std::to_string(f.line) + " " + std::to_string(f.file_line) + " " + values);
        }
    }
    EXPECT_EQ(found, far);
}

// Every text the buffer reads: a walk from item end to item end meets the same items, and a copy
// that reads on its own leaves the original's entries as they were.
TEST(LongProgramBuffer, WalkMeetsEveryItemAndCopiesStayApart) {
    for (const std::string bytes : {"G00 X0\r\nG01 X1,Y2\n", "\"A, B\" tail,3\r\rM30", " , ,\n\n", "1e2,\"x\n",
                                    "G01 X1", "\"unclosed\r\nG00\n"}) {
        ProgramBuffer buffer;
        buffer.Size(bytes);
        std::vector<std::size_t> read;
        while (buffer.ReadNextItem()) {
            read.push_back(buffer.position());
        }
        std::vector<std::size_t> walked;
        for (std::size_t at = 0; at < bytes.size(); at = buffer.ItemEnd(at)) {
            walked.push_back(buffer.ItemEnd(at));
        }
        EXPECT_EQ(walked, read) << bytes;

        ProgramBuffer copy = buffer;
        copy.Truncate(1);
        copy.Rewind();
        while (copy.ReadNextItem()) {
        }
        ProgramBuffer other = buffer;
        other.Size("M30\n");
        ASSERT_TRUE(other.ReadNextItem());
        EXPECT_EQ(buffer.count(), read.size()) << bytes;
        EXPECT_EQ(copy.count(), read.size()) << bytes;
        for (std::size_t i = 1; i <= read.size(); ++i) {
            EXPECT_EQ(copy.Text(i), buffer.Text(i)) << bytes;
        }
    }
}

// A NaN or an infinity is found in the first word of its letter, in any case, and nowhere else.
TEST(LongProgramParser, NonFiniteWordsInAnyCase) {
    struct Case {
        const char* line;
        WordSlot slot;
        const char* number;
    };
    for (const Case& c : {
             Case{"G01 X10 Y-Inf F100", kY, "-Inf"}, Case{"G01 XNaN", kX, "NaN"}, Case{"G01 Z nan", kZ, "nan"},
             Case{"G01 F+INFINITY", kF, "+INFINITY"}, Case{"G02 X1 Y1 I0 J-iNf", kJ, "-iNf"},
             Case{"G01 X1 X-inf", kWordSlots, ""}, // only the first X is read
             Case{"N10 G01 X5 (inf nan)", kWordSlots, ""}, Case{"G01 X5 Y5 (banana info)", kWordSlots, ""},
             Case{"(X nan)", kWordSlots, ""}, // a comment line
         }) {
        const NonFiniteNumber word = NonFiniteWord(c.line);
        EXPECT_EQ(word.slot, c.slot) << c.line;
        EXPECT_EQ(word.number, c.number) << c.line;
    }
}

} // namespace
} // namespace tamo
