#include "ui/status_bar.h"

#include "interpreter/models.h"
#include "ui/controls.h"

#include <QLabel>

#include <string_view>

namespace tamo::ui {
namespace {

constexpr std::array<const char*, 9> kNames{"StatusPort",    "StatusState",  "StatusLine",  "StatusTime",  "StatusLeft",
                                            "StatusMachine", "StatusConfig", "StatusCheck", "StatusNotice"};
// The machine's own sections keep their room; the others give way when the frame is narrow.
constexpr std::size_t kMachineSections = 4;

} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(kNames[i]));
        label->setContentsMargins(6, 0, 6, 0);
        if (i < kMachineSections) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        } else {
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        }
        addWidget(label, i + 1 == sections_.size() ? 2 : (i < kMachineSections ? 0 : 1));
        sections_[i] = label;
    }
    // The state is what the operator looks for first.
    sections_[1]->setFont(Bold(sections_[1]->font()));
}

void StatusBar::Refresh(const tamo::StatusModel& status) {
    const std::array<const std::string*, 9> texts{&status.Port,       &status.State, &status.Line,
                                                  &status.Time,       &status.Left,  &status.Machine,
                                                  &status.ConfigFile, &status.Check, &status.Notice};
    std::array<bool, 9> shown{};
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        ShowText(sections_[i], *texts[i]);
        shown[i] = !texts[i]->empty();
    }
    // A notice (where the origin now is, a result) is what the operator must read: the settings
    // file, which the log also names at start-up, steps aside for it.
    constexpr std::size_t kConfig = 6;
    static_assert(std::string_view(kNames[kConfig]) == "StatusConfig");
    // So does the machine's section when it only says that no travel is set and nothing is on.
    constexpr std::size_t kMachine = 5;
    static_assert(std::string_view(kNames[kMachine]) == "StatusMachine");
    if (!status.Notice.empty()) {
        shown[kConfig] = false;
        shown[kMachine] = shown[kMachine] && status.Machine != "Soft limits off";
    }
    bool changed = false;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        changed = changed || sections_[i]->isVisibleTo(this) != shown[i];
        sections_[i]->setVisible(shown[i]);
    }
    if (changed) {
        reformat(); // now, so that the sections stand where they are drawn before the next paint
    }
}

} // namespace tamo::ui
