#pragma once

#include "platform/latency_test.h"

#include <QWidget>

namespace tamo::ui {

// The latency test's ticks by how late they came, one bar per bin of the report (under 1 us, under
// 2 us, ... 10 ms and more), on a logarithmic count scale so that the few late ticks stay visible
// beside the many punctual ones. Bars of ticks later than a tenth of the period are drawn red.
class LatencyHistogram final : public QWidget {
    Q_OBJECT

public:
    explicit LatencyHistogram(QWidget* parent = nullptr);

    void Show(const LatencyReport& report);
    [[nodiscard]] const LatencyReport& report() const { return report_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LatencyReport report_;
};

} // namespace tamo::ui
