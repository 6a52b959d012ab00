#pragma once

#include <string>

namespace tamo {
class Cnc;
}

namespace tamo::check {

// File > Open of `path` for a check that nobody watches (the headless tool): the program read into
// the buffer, the positions reset, and the block state left exactly as the redraw's walk leaves
// it, which is where a Start, and so the check, takes its modal words from. Nothing is drawn and
// the view's extents, the toolpath record and the arc's drawing angles are left as they were: the
// check reads none of them. Empty on success, else why the file cannot be read (the reader's own
// words, as Open has them).
//
// The walk's end state needs no walk of every line. A line that holds a G, an I and a J word sets
// everything of the block state that the walk carries from line to line and reads again (the
// motion word, I and J), and the other words a line sets are the last ones written: from the last
// such line on the lines are walked as the redraw walks them, and before it only the last line of
// each other word letter is parsed, in their order. A program without such a line is walked whole.
[[nodiscard]] std::string OpenForCheck(Cnc& cnc, const std::string& path);

} // namespace tamo::check
