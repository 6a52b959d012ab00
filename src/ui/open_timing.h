#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QWidget;

namespace tamo::ui {

// `tamocnc --timing`: where the time of a File > Open goes, from the moment the file is chosen.
// The core reports the end of its stages (read, walk, draw); the windows add the first paint of
// the view that shows the program, and the program check and the time-left estimate, which finish
// in the background. When all are in, one line goes to the report, each stage with the seconds
// since the file was chosen:
//
//   open 1000000 lines: read 0.142 s, walk 0.512 s, draw 0.601 s, paint 0.640 s, check 1.820 s, estimate 2.450 s
class OpenTiming final : public QObject {
public:
    explicit OpenTiming(std::function<void(const std::string&)> report);

    // A stage of the core's Open ended; "chosen" starts the clock.
    void Stage(std::string_view stage);
    // A view that paints the program: its first paint after the draw that shows the new program
    // (`shows_program` says whether it does by then) is timed.
    void Watch(QWidget* view, std::function<bool()> shows_program);
    void CheckDone() { Mark("check"); }
    void EstimateDone() { Mark("estimate"); }
    // The program has this many lines (for the report).
    void set_lines(int lines) { lines_ = lines; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Mark(std::string_view stage);

    std::function<void(const std::string&)> report_;
    QElapsedTimer clock_;
    std::vector<std::pair<std::string, double>> stages_;
    std::vector<std::pair<QObject*, std::function<bool()>>> views_;
    bool timing_ = false;
    bool drawn_ = false;
    int lines_ = 0;
};

} // namespace tamo::ui
