// A long program file is read in two halves on two threads. Whatever byte its middle falls on, the
// entries are those that reading it item by item gives: the same texts, numbers and commas.

#include "interpreter/program_buffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tamo {
namespace {

// Just over the size from which the second thread reads.
constexpr std::size_t kLongFile = (std::size_t{1} << 20) + 4096;

void ExpectSameEntries(const std::string& bytes, const std::string& label) {
    ProgramBuffer one_by_one;
    one_by_one.Size(bytes);
    std::vector<std::string> as_read; // each text just as its item was read, before the next one
    while (one_by_one.ReadNextItem()) {
        as_read.emplace_back(one_by_one.Text(one_by_one.count()));
    }
    ProgramBuffer at_once;
    at_once.Size(bytes);
    ASSERT_EQ(at_once.ReadAllItems(), one_by_one.count()) << label;
    ASSERT_EQ(at_once.count(), one_by_one.count()) << label;
    EXPECT_EQ(at_once.position(), bytes.size()) << label;
    EXPECT_FALSE(at_once.ReadNextItem()) << label;
    std::size_t differing = 0;
    for (std::size_t i = 1; i <= one_by_one.count(); ++i) {
        if (at_once.Text(i) != as_read[i - 1] || one_by_one.Text(i) != as_read[i - 1] ||
            at_once.IsNumber(i) != one_by_one.IsNumber(i) || at_once.AfterComma(i) != one_by_one.AfterComma(i)) {
            if (++differing <= 3) {
                ADD_FAILURE() << label << ": entry " << i << " reads \"" << at_once.Text(i) << "\", not \""
                              << as_read[i - 1] << "\"";
            }
        }
    }
    EXPECT_EQ(differing, 0u) << label;
}

// Lines that end in CR LF, LF or CR alone, blank lines, quotes with commas inside, items after
// commas, and numbers (stored in their text form, so the second half's must land after the first's).
const std::string kAwkwardBlock = "G01 X1.5 Y-2\r\n12.50\n\"quoted, item\" tail,7\r  lone CR line\n,\n\n"
                                  "  3e2, \"a\"\r\nN10 G02 X1 Y2 I3 J4\n-0.25,1E3\r\r\n";

TEST(LongFileReading, TheMiddleOnAnyByteOfALineGivesTheItemsReadOneByOne) {
    for (std::size_t shift = 0; shift < kAwkwardBlock.size(); ++shift) {
        std::string bytes = "(" + std::string(shift, ' ') + ")\n";
        while (bytes.size() < kLongFile) {
            bytes += kAwkwardBlock;
        }
        ExpectSameEntries(bytes, "shifted by " + std::to_string(shift));
    }
}

TEST(LongFileReading, FilesWithoutALineEndAfterTheMiddleOrAtTheEnd) {
    std::string one_line;
    while (one_line.size() < kLongFile) {
        one_line += "1.25,X2,\"q,r\",";
    }
    ExpectSameEntries(one_line, "one long line of items");
    std::string unfinished(kLongFile / 2, '\n');
    unfinished += std::string(kLongFile / 2, 'G') + "\r\n42";
    ExpectSameEntries(unfinished, "a last line without its end");
    ExpectSameEntries(std::string(kLongFile, '\r'), "line ends only");
}

} // namespace
} // namespace tamo
