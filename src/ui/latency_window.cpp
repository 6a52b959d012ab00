#include "ui/latency_window.h"

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "platform/latency_test.h"
#include "platform/realtime.h"

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
    result_ = new QLabel(QStringLiteral("Do not use the PC while the test runs, or run what it must cope with."), this);
    result_->setObjectName(QStringLiteral("LatencyResult"));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setMinimumWidth(420);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Seconds:"), seconds_);
    fields->addRow(QStringLiteral("Period (microseconds):"), period_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
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

// Runs on the user-interface thread with the events let in after every tick, as a move does: the
// lateness it shows includes what the windows cost.
void LatencyWindow::Start() {
    bool seconds_ok = false;
    bool period_ok = false;
    const double seconds = seconds_->text().trimmed().toDouble(&seconds_ok);
    const double period_us = period_->text().trimmed().toDouble(&period_ok);
    if (!seconds_ok || !(seconds > 0 && seconds <= kLatencyMaxSeconds) || !period_ok ||
        !(period_us >= 1 && period_us <= kLatencyMaxPeriodUs)) {
        result_->setText(QStringLiteral("Seconds: above 0, at most 3600. Period: 1 to 1000000 microseconds."));
        return;
    }
    if (running_ || cnc_.Running()) {
        result_->setText(QStringLiteral("The machine is moving: start the test when it has stopped."));
        return;
    }
    running_ = true;
    stop_requested_ = false;
    start_->setEnabled(false);
    stop_->setEnabled(true);
    result_->setText(QStringLiteral("Measuring..."));

    cnc_.EnterRealtime();
    const RealtimeRequest* realtime = cnc_.clock().realtime();
    const bool raised = realtime != nullptr && realtime->raised();
    LatencyTest test(cnc_.clock(), std::llround(period_us * 1000), seconds);
    while (!stop_requested_ && test.Tick()) {
        cnc_.op().Yield();
    }
    cnc_.LeaveRealtime();
    running_ = false;
    start_->setEnabled(true);
    stop_->setEnabled(false);

    const LatencyReport report = test.Report();
    const double feed = report.max_step_rate * 60 * cnc_.st.UnitsPerStepX;
    QString text = QString::fromStdString(FormatLatencyReport(report));
    text += QStringLiteral("\nX at that rate: %1 %2/min.")
                .arg(feed, 0, 'f', 0)
                .arg(QLatin1String(cnc_.settings.OptionIn ? "in" : "mm"));
    text += raised ? QStringLiteral("\nReal-time priority: on.") : QStringLiteral("\nReal-time priority: off.");
    if (!raised && !cnc_.status.Notice.empty()) {
        text += QStringLiteral("\n") + QString::fromStdString(cnc_.status.Notice);
    }
    result_->setText(text);
    adjustSize();
}

} // namespace tamo::ui
