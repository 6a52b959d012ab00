#include "ui/status_bar.h"

#include "interpreter/models.h"
#include "ui/controls.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include <string_view>

namespace tamo::ui {

// A section that draws what fits of its text, cut with "…", and keeps the whole text as its
// tooltip.
class StatusSection final : public QLabel {
public:
    explicit StatusSection(QWidget* parent) : QLabel(parent) {}

    // The text as the operator reads it in the bar.
    [[nodiscard]] QString Shown() const {
        return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
    }
    [[nodiscard]] bool Cut() const { return isVisible() && !text().isEmpty() && Shown() != text(); }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                              Shown(), foregroundRole());
    }
};

namespace {

constexpr std::array<const char*, 9> kNames{"StatusPort",    "StatusState",  "StatusLine",  "StatusTime",  "StatusLeft",
                                            "StatusMachine", "StatusConfig", "StatusCheck", "StatusNotice"};
// The machine's own sections keep their room; the others give way when the frame is narrow.
constexpr std::size_t kMachineSections = 4;

// Offline, the bar says what that means: the machine moves nothing, the windows practise.
std::string PortText(const std::string& port) {
    return port == "Offline" ? "Offline: practice, nothing reaches the port" : port;
}

} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        auto* label = new StatusSection(this);
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
    const std::string port = PortText(status.Port);
    const std::array<const std::string*, 9> texts{&port,         &status.State,   &status.Line,       &status.Time,
                                                  &status.Left,  &status.Machine, &status.ConfigFile, &status.Check,
                                                  &status.Notice};
    std::array<bool, 9> shown{};
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        ShowText(sections_[i], *texts[i]);
        const QString whole = sections_[i]->text();
        if (sections_[i]->toolTip() != whole) {
            sections_[i]->setToolTip(whole);
        }
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
    LogCutTexts();
}

// Once per text, when the bar cuts it; the sections are laid out by the time the events have run.
void StatusBar::LogCutTexts() {
    if (!log_) {
        return;
    }
    if (log_timer_ == nullptr) {
        log_timer_ = new QTimer(this);
        log_timer_->setSingleShot(true);
        connect(log_timer_, &QTimer::timeout, this, [this] {
            for (std::size_t i = 0; i < sections_.size(); ++i) {
                if (sections_[i]->Cut() && logged_[i] != sections_[i]->text()) {
                    logged_[i] = sections_[i]->text();
                    log_(logged_[i].toStdString());
                }
            }
        });
    }
    log_timer_->start(0);
}

} // namespace tamo::ui
