#include "ui/latency_window.h"

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "platform/latency_test.h"
#include "platform/realtime.h"
#include "ui/latency_histogram.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace tamo::ui {
namespace {

QLineEdit* Field(QWidget* parent, const char* name, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QLabel* Label(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(480);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

LatencyWindow::LatencyWindow(tamo::Cnc& cnc, QWidget* parent) : QDialog(parent), cnc_(cnc) {
    setObjectName(QStringLiteral("LatencyTest"));
    setWindowTitle(QStringLiteral("Latency Test"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    seconds_ = Field(this, "LatencySeconds", QStringLiteral("10"));
    period_ = Field(this, "LatencyPeriod", QString());
    start_ = Button(this, "LatencyStart", QStringLiteral("Start"));
    stop_ = Button(this, "LatencyStop", QStringLiteral("Stop"));
    stop_->setEnabled(false);
    verdict_ = Label(this, "LatencyVerdict");
    verdict_->setText(QStringLiteral("Do not use the PC while the test runs, or run what it must cope with."));
    QFont bold = verdict_->font();
    bold.setBold(true);
    verdict_->setFont(bold);
    warning_ = Label(this, "LatencyWarning");
    warning_->setStyleSheet(QStringLiteral("color: #b00000;"));
    warning_->hide();
    histogram_ = new LatencyHistogram(this);
    histogram_->hide();
    result_ = Label(this, "LatencyResult");

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Seconds:"), seconds_);
    fields->addRow(QStringLiteral("Period (microseconds):"), period_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(verdict_);
    layout->addWidget(warning_);
    layout->addWidget(histogram_);
    layout->addWidget(result_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, [this] { Start(); });
    connect(stop_, &QPushButton::clicked, this, [this] { stop_requested_ = true; });
}

void LatencyWindow::Open() {
    if (!running_) {
        const double period_us = StepPeriodUs(cnc_.st.UnitsPerStepX, NumberOf(cnc_.st.JogFastX));
        period_->setText(period_us > 0 ? QString::number(std::round(period_us)) : QStringLiteral("1000"));
    }
    show();
    raise();
    activateWindow();
}

void LatencyWindow::reject() {
    stop_requested_ = true;
    QDialog::reject();
}

// Runs on the user-interface thread with a step's port traffic and the events let in after every
// tick, as a move does: the lateness it shows includes what the port and the windows cost.
void LatencyWindow::Start() {
    bool seconds_ok = false;
    bool period_ok = false;
    const double seconds = seconds_->text().trimmed().toDouble(&seconds_ok);
    const double period_us = period_->text().trimmed().toDouble(&period_ok);
    if (!seconds_ok || !(seconds > 0 && seconds <= kLatencyMaxSeconds) || !period_ok ||
        !(period_us >= 1 && period_us <= kLatencyMaxPeriodUs)) {
        verdict_->setText(QStringLiteral("Seconds: above 0, at most 3600. Period: 1 to 1000000 microseconds."));
        return;
    }
    if (running_ || cnc_.Running()) {
        verdict_->setText(QStringLiteral("The machine is moving: start the test when it has stopped."));
        return;
    }
    running_ = true;
    stop_requested_ = false;
    start_->setEnabled(false);
    stop_->setEnabled(true);
    verdict_->setText(QStringLiteral("Measuring..."));

    cnc_.EnterRealtime();
    const bool raised = cnc_.clock().realtime() != nullptr && cnc_.clock().realtime()->active();
    LatencyTest test(cnc_.clock(), std::llround(period_us * 1000), seconds,
                     raised ? SteadyClock::ThrottledAboveStepRate(cnc_.clock().realtime()->ThrottleShare()) : 0);
    const auto data_lines = static_cast<std::int16_t>(cnc_.st.DirByte | cnc_.st.OutputBits);
    Port* port = cnc_.st.Offline ? nullptr : &cnc_.port();
    const double pulse_width = NumberOf(cnc_.st.PulseWidth);
    while (!stop_requested_ && test.Tick()) {
        LatencyTickWork(port, cnc_.clock(), data_lines, pulse_width);
        cnc_.op().Yield();
    }
    cnc_.LeaveRealtime();
    running_ = false;
    start_->setEnabled(true);
    stop_->setEnabled(false);

    const LatencyReport report = test.Report();
    const StepDemand demand{cnc_.st.UnitsPerStepX, NumberOf(cnc_.st.JogFastX), NumberOf(cnc_.st.JogSlowX),
                            cnc_.settings.OptionIn ? "in" : "mm"};
    RealtimeRequest* request = cnc_.clock().realtime();
    const LatencyVerdict verdict =
        JudgeLatency(report, demand, raised ? SteadyClock::ThrottledAboveStepRate(request->ThrottleShare()) : 0);
    verdict_->setText(QString::fromStdString(verdict.text));
    warning_->setText(QString::fromStdString(verdict.warning));
    warning_->setVisible(!verdict.warning.empty());
    histogram_->Show(report);
    histogram_->show();
    QString text = QString::fromStdString(FormatLatencyReport(report));
    if (!verdict.throttling.empty()) {
        text += QStringLiteral("\n") + QString::fromStdString(verdict.throttling);
    }
    text += raised ? QStringLiteral("\nReal-time priority: on.") : QStringLiteral("\nReal-time priority: off.");
    if (!raised && !cnc_.status.Notice.empty()) {
        text += QStringLiteral("\n") + QString::fromStdString(cnc_.status.Notice);
    }
    result_->setText(text);
    adjustSize();
}

} // namespace tamo::ui
