// A long program that never repeats a stroke is made into strokes in parts on two threads, each part
// starting from the move and the arc before it. The top view must be the picture one thread draws
// move by move (but for a pixel at a joint between parts), whatever the program's mix of feeds, arcs
// and rapids.

#include "../../bench/adaptive_program.h"
#include "main_window_fixture.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace tamo {
namespace {

using namespace test;

struct LongProgram {
    const char* name;
    std::size_t lines;
    int rapids_every; // a rapid to another corner every so many lines (0: none but the adaptive's own)
    bool spiral;      // a sparse spiral of lines and arcs about the origin, turning back now and then
};

// Every third move an arc about the origin, counter-clockwise while the spiral turns that way.
std::string Spiral(std::size_t lines) {
    std::string text = "G21 G90 G17\nF600\n";
    double angle = 0;
    double direction = 1;
    double x = 10;
    double y = 0;
    text += "G00 X10 Y0\n";
    char line[96];
    for (std::size_t i = 1; i < lines; ++i) {
        if (i % 7000 == 0) {
            direction = -direction;
        }
        angle += direction * 0.0021;
        const double r = 10 + 0.0009 * static_cast<double>(i);
        const double nx = r * std::cos(angle);
        const double ny = r * std::sin(angle);
        if (i % 3 == 0) {
            std::snprintf(line, sizeof line, "%s X%.4f Y%.4f I%.4f J%.4f\n", direction > 0 ? "G03" : "G02", nx, ny, -x,
                          -y);
        } else {
            std::snprintf(line, sizeof line, "G01 X%.4f Y%.4f\n", nx, ny);
        }
        text += line;
        x = nx;
        y = ny;
    }
    return text;
}

std::string Program(const LongProgram& program) {
    if (program.spiral) {
        return Spiral(program.lines);
    }
    std::ostringstream adaptive;
    bench::WriteAdaptiveProgram(adaptive, program.lines);
    if (program.rapids_every == 0) {
        return adaptive.str();
    }
    std::istringstream lines(adaptive.str());
    std::string text;
    std::string line;
    for (int n = 1; std::getline(lines, line); ++n) {
        text += line + "\n";
        if (n % program.rapids_every == 0) {
            text += n % 2 == 0 ? "G00 X0 Y0\n" : "G00 X120 Y90\n";
        }
    }
    return text;
}

class LongProgramPicture : public MainWindowTest {};

TEST_F(LongProgramPicture, DrawnInPartsOnTwoThreadsItIsThePictureOfOneThread) {
    const std::vector<LongProgram> programs = {
        {"adaptive, past two rounds of parts", 100'000, 0, false},
        {"adaptive with rapids across it", 90'000, 997, false},
        {"just past the record of repeats", 22'000, 0, false},
        {"a sparse spiral, turning both ways", 80'000, 0, true},
    };
    for (const LongProgram& program : programs) {
        const std::string path = ProgramFile(Program(program));
        surface_.set_bands(1);
        Open(path);
        ASSERT_GT(cnc_.toolpath()->moves().size(), program.lines * 9 / 10) << program.name;
        const QImage alone = surface_.image().copy();
        surface_.set_bands(2);
        cnc_.FrameResized();
        // Where a part ends, its run of strokes ends too, and the next part starts one of its own
        // where one thread's run goes on: the joint's pixel may come out either side.
        const auto joints = static_cast<int>(cnc_.toolpath()->moves().size() / 32768 + 2);
        EXPECT_LE(DifferingPixels(surface_.image(), alone, "long_program_parts"), 4 * joints) << program.name;
    }
}

} // namespace
} // namespace tamo
