// Writes one of the benchmarks' generated programs to a file, for timing the real window
// (`tamocnc --timing --open FILE`) and `tamocnc-sim parse|check` on the same lines the benchmarks
// read:
//
//   write_program adaptive|passes|surface LINES FILE
//
// adaptive: a path that never repeats an outline (125,000-block passes, two blocks in five arcs);
// passes: the S-bends that gui_bench opens, one 6,000-block pass again at every depth;
// surface: the surface finish that check_bench reads.

#include "adaptive_program.h"
#include "cam_program.h"
#include "surface_finish_program.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>

int main(int argc, char** argv) {
    const char* const usage = "usage: write_program adaptive|passes|surface LINES FILE\n";
    if (argc != 4) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string_view kind = argv[1];
    char* end = nullptr;
    const unsigned long long lines = std::strtoull(argv[2], &end, 10);
    if (*end != '\0' || lines < 16 || lines > 100'000'000) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::ofstream out(argv[3], std::ios::binary);
    std::size_t bytes = 0;
    if (kind == "adaptive") {
        bytes = bench::WriteAdaptiveProgram(out, lines);
    } else if (kind == "passes") {
        bytes = bench::WriteCamProgram(out, lines);
    } else if (kind == "surface") {
        bytes = bench::WriteSurfaceFinishProgram(out, lines);
    } else {
        std::fputs(usage, stderr);
        return 2;
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "write_program: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s: %llu lines, %zu bytes\n", argv[3], lines, bytes);
    return 0;
}
