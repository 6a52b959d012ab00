// What the machine reads must be a file that ends: a FIFO without a writer would wait for ever,
// /dev/zero would be read until the memory is gone, and a program beyond the buffer's offsets
// would wrap them. Each is refused before a byte is read, with the reason.

#include "interpreter/program_buffer.h"
#include "platform/file_io.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace tamo {
namespace {

TEST(SpecialFiles, OpenRefusesThemUnreadAndTellsWhy) {
    test::ScratchDir dir;
    const std::string fifo = (dir / "fifo.txt").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0) << std::strerror(errno);
    const std::string enormous = dir.Write("enormous.txt", "").string();
    std::filesystem::resize_file(enormous, kMaxProgramBytes + 1); // sparse: nothing to read

    const auto open_files = [] {
        namespace fs = std::filesystem;
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    const auto open_before = open_files();
    test::TestMachine m;
    const std::pair<std::string, std::string> refused[] = {
        {fifo, "it is a FIFO"},
        {"/dev/zero", "it is a character device"},
        {enormous, "it is longer than 268435456 bytes"},
    };
    for (const auto& [path, why] : refused) {
        m.Load("G01 X10\n");
        ASSERT_EQ(m.st.PrgLineCount, 1);
        m.op.clear_messages();
        m.op.QueueFile(path);
        m.cnc.Open_Menu();
        ASSERT_EQ(m.op.messages().size(), 1u) << path;
        EXPECT_EQ(m.op.messages()[0].text.rfind("The program " + path + " cannot be read: " + why, 0), 0u)
            << m.op.messages()[0].text;
        EXPECT_EQ(m.st.PrgLineCount, 0);
        EXPECT_EQ(m.cnc.main.Caption, "TamoCNC");
        EXPECT_FALSE(m.op.busy() || m.st.Previewing);
    }

    const std::string small = dir.Write("small.txt", "G01 X1\n").string();
    EXPECT_EQ(ReadWholeFile(small, 7).bytes, "G01 X1\n") << "exactly at the limit";
    EXPECT_EQ(ReadWholeFile(small, 6).error, EFBIG);
    // A file whose size says less than it holds (the kernel's own say 0) is read to its end.
    const std::string cmdline = test::Slurp("/proc/self/cmdline");
    ASSERT_GT(cmdline.size(), 3u);
    EXPECT_EQ(ReadWholeFile("/proc/self/cmdline", 1 << 20).bytes, cmdline);
    EXPECT_EQ(ReadWholeFile("/proc/self/cmdline", 3).error, EFBIG);
    EXPECT_EQ(open_files(), open_before) << "every file read, or refused, is closed again";
}

} // namespace
} // namespace tamo
