#include "ui/open_timing.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace tamo::ui {

OpenTiming::OpenTiming(std::function<void(const std::string&)> report) : report_(std::move(report)) {
    setObjectName(QStringLiteral("OpenTiming"));
}

void OpenTiming::Watch(QWidget* view, std::function<bool()> shows_program) {
    views_.emplace_back(view, std::move(shows_program));
    view->installEventFilter(this);
}

void OpenTiming::Stage(std::string_view stage) {
    if (stage == "chosen") {
        clock_.start();
        stages_.clear();
        timing_ = true;
        drawn_ = false;
        return;
    }
    drawn_ = drawn_ || stage == "draw";
    Mark(stage);
}

void OpenTiming::Mark(std::string_view stage) {
    if (!timing_) {
        return;
    }
    stages_.emplace_back(std::string(stage), static_cast<double>(clock_.nsecsElapsed()) / 1e9);
    const auto has = [this](std::string_view name) {
        return std::any_of(stages_.begin(), stages_.end(), [name](const auto& s) { return s.first == name; });
    };
    if (!has("paint") || !has("check") || !has("estimate")) {
        return;
    }
    timing_ = false;
    std::string line = "open " + std::to_string(lines_) + " lines:";
    char buffer[64];
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%s %s %.3f s", i == 0 ? "" : ",", stages_[i].first.c_str(),
                      stages_[i].second);
        line += buffer;
    }
    report_(line);
}

// The paint is timed to its end: the filter has the view paint, then takes the time.
bool OpenTiming::eventFilter(QObject* watched, QEvent* event) {
    const auto view =
        std::find_if(views_.begin(), views_.end(), [watched](const auto& v) { return v.first == watched; });
    if (event->type() == QEvent::Paint && timing_ && drawn_ && view != views_.end() && view->second()) {
        drawn_ = false;
        watched->event(event);
        Mark("paint");
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tamo::ui
