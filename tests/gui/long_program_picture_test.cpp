// A long program that never repeats a stroke is made into strokes in parts on two threads, each part
// starting from the move and the arc before it. The top view must be the picture one thread draws
// move by move (but for a pixel at a joint between parts), with its feeds, arcs both ways and rapids.

#include "../../bench/adaptive_program.h"
#include "main_window_fixture.h"

#include <sstream>
#include <string>

namespace tamo {
namespace {

using namespace test;

class LongProgramPicture : public MainWindowTest {};

TEST_F(LongProgramPicture, DrawnInPartsOnTwoThreadsItIsThePictureOfOneThread) {
    // Past two rounds of parts, and just past the record of repeats.
    for (const std::size_t lines : {std::size_t{100'000}, std::size_t{22'000}}) {
        std::ostringstream text;
        bench::WriteAdaptiveProgram(text, lines);
        const std::string path = ProgramFile(text.str());
        surface_.set_bands(1);
        Open(path);
        ASSERT_GT(cnc_.toolpath()->moves().size(), lines * 9 / 10) << lines;
        const QImage alone = surface_.image().copy();
        surface_.set_bands(2);
        cnc_.FrameResized();
        // Where a part ends, its run of strokes ends too, and the next part starts one of its own
        // where one thread's run goes on: the joint's pixel may come out either side.
        const auto joints = static_cast<int>(cnc_.toolpath()->moves().size() / 32768 + 2);
        EXPECT_LE(DifferingPixels(surface_.image(), alone, "long_program_parts"), 4 * joints) << lines;
    }
}

} // namespace
} // namespace tamo
