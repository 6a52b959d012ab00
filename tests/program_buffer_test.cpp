#include "interpreter/program_buffer.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamo {
namespace {

struct Items {
    std::vector<std::string> texts;
    std::vector<bool> numbers;
    ProgramBuffer buffer;
};

Items Read(const std::string& bytes) {
    Items r;
    r.buffer.Size(bytes);
    while (r.buffer.ReadNextItem()) {
        const std::size_t i = r.buffer.count();
        r.texts.emplace_back(r.buffer.Text(i));
        r.numbers.push_back(r.buffer.IsNumber(i));
    }
    // Every text reads the same once the items after it are read, and after a cut behind any entry.
    for (std::size_t cut = r.texts.size() + 1; cut-- > 0;) {
        ProgramBuffer cut_buffer = r.buffer;
        cut_buffer.Truncate(cut);
        for (std::size_t i = 1; i <= r.texts.size(); ++i) {
            EXPECT_EQ(cut_buffer.Text(i), i <= cut ? r.texts[i - 1] : "") << "entry " << i << " cut at " << cut;
        }
    }
    return r;
}

using Texts = std::vector<std::string>;

TEST(ProgramReader, ItemsNotLines) {
    Items three = Read("G00 X0 Y0\r\nG01 X10\r\nM30\r\n");
    EXPECT_EQ(three.texts, (Texts{"G00 X0 Y0", "G01 X10", "M30"}));
    EXPECT_EQ(three.buffer.bound(), 25u);
    EXPECT_TRUE(three.buffer.Exists(4)); // the run loop's end-of-program entry
    EXPECT_EQ(three.buffer.Text(4), "");
    EXPECT_EQ(three.buffer.Text(0), "");
    EXPECT_FALSE(three.buffer.Exists(26));

    EXPECT_EQ(Read("G01 X1,Y2\n").texts, (Texts{"G01 X1", "Y2"}));
    EXPECT_EQ(Read("   G01 X1  \n").texts, (Texts{"G01 X1  "})); // blanks before an item only
    EXPECT_EQ(Read("\"G01, X1\" tail,Y2\n").texts, (Texts{"G01, X1", "Y2"}));
    EXPECT_EQ(Read("\"unclosed\nG00\n").texts, (Texts{"unclosed", "G00"}));
    EXPECT_EQ(Read("a\n\nb\rc\r\n").texts, (Texts{"a", "", "b", "c"}));
    EXPECT_EQ(Read("a,\n").texts, (Texts{"a", ""}));
    EXPECT_EQ(Read("\tG01\n").texts, (Texts{"\tG01"}));
    EXPECT_EQ(Read("  G1\n   \n  , X2\r\n  M30\n").texts, (Texts{"G1", "", "", "X2", "M30"}));
}

TEST(ProgramReader, NumbersAreStoredAsNumbersInTheirTextForm) {
    Items r = Read("12\n-3.50\n\"7\"\n1e3 \nX1\n\t+4\n.5\n");
    EXPECT_EQ(r.texts, (Texts{"12", "-3.5", "7", "1000", "X1", "4", "0.5"}));
    EXPECT_EQ(r.numbers, (std::vector<bool>{true, true, false, true, false, true, true}));
}

// Wherever a delimiter stands in a long line, and whatever control or high bytes come before it,
// the item ends there and nowhere else.
TEST(ProgramReader, AnItemEndsAtItsDelimiterWhateverBytesComeBeforeIt) {
    const std::string bytes = "G1\t\x01\x0b\x0c\x0e\x0f\x10\x1f\x7f\x80\xc3\xa9\xff X9 Y-2.5";
    for (std::size_t length = 1; length <= bytes.size(); ++length) {
        const std::string item = bytes.substr(0, length);
        for (const char* delimiter : {",", "\n", "\r\n", "\r"}) {
            SCOPED_TRACE(std::to_string(length) + " " + (delimiter[0] == ',' ? "comma" : "line end"));
            EXPECT_EQ(Read(item + delimiter + "M30\n").texts, (Texts{item, "M30"}));
            EXPECT_EQ(Read("N1 " + item + delimiter).texts, (Texts{"N1 " + item}));
        }
    }
}

TEST(ProgramReader, TheEntryAfterTheLastItemExistsOnlyWhenBytesAreLeft) {
    Items bare = Read("G");
    EXPECT_EQ(bare.buffer.count(), 1u);
    EXPECT_FALSE(bare.buffer.Exists(2));
    Items empty = Read("");
    EXPECT_EQ(empty.buffer.count(), 0u);
    EXPECT_TRUE(empty.buffer.Exists(0));
    EXPECT_FALSE(empty.buffer.Exists(1));
    EXPECT_FALSE(ProgramBuffer{}.Exists(0)); // no buffer before the first program
}

TEST(ProgramReader, ReadsAFileIntoTheMachine) {
    test::TestMachine m;
    const std::string path = test::ProgramFile("G00 X0 Y0\r\nG01 X10\r\nM06 T1\r\n");
    EXPECT_EQ(m.cnc.ReadProgramItems(path), "");
    EXPECT_EQ(m.st.PrgLineCount, 3);
    EXPECT_EQ(m.st.PrgBuf.Text(3), "M06 T1");
    EXPECT_NE(m.cnc.ReadProgramItems(path + "/missing"), "");
    EXPECT_EQ(m.st.PrgLineCount, 0);
}

} // namespace
} // namespace tamo
