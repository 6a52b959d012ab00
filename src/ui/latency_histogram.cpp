#include "ui/latency_histogram.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tamo::ui {
namespace {

QString BinLabel(std::size_t bin) {
    const auto& edges = LatencyReport::kBinsUs;
    if (bin >= edges.size()) {
        return QStringLiteral("%1+").arg(edges.back() >= 1000 ? QStringLiteral("%1m").arg(edges.back() / 1000)
                                                              : QString::number(edges.back()));
    }
    const double us = edges[bin];
    return us >= 1000 ? QStringLiteral("<%1m").arg(us / 1000) : QStringLiteral("<%1").arg(us);
}

} // namespace

LatencyHistogram::LatencyHistogram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LatencyHistogram"));
    setMinimumSize(560, 170);
}

void LatencyHistogram::Show(const LatencyReport& report) {
    report_ = report;
    update();
}

void LatencyHistogram::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int label_h = fontMetrics().height() + 4;
    const int bins = static_cast<int>(report_.bins.size());
    const int top = 2 * label_h; // the title, then the counts over the highest bar
    const int plot_h = height() - top - label_h;
    const double slot = static_cast<double>(width()) / bins;
    const std::uint64_t most = *std::max_element(report_.bins.begin(), report_.bins.end());
    const double scale = std::log10(static_cast<double>(most) + 1);
    const double late_us = LatencyReport::kMargin * static_cast<double>(report_.period_ns) / 1000;
    for (int i = 0; i < bins; ++i) {
        const auto bin = static_cast<std::size_t>(i);
        const std::uint64_t count = report_.bins[bin];
        const int left = static_cast<int>(i * slot);
        const int bar_w = std::max(1, static_cast<int>(slot) - 4);
        // A bin is late when ticks in it may be more than a tenth of the period behind.
        const double from_us = bin == 0 ? 0 : LatencyReport::kBinsUs[bin - 1];
        if (count > 0 && scale > 0) {
            const int bar_h =
                std::max(2, static_cast<int>(plot_h * std::log10(static_cast<double>(count) + 1) / scale));
            painter.fillRect(left + 2, top + plot_h - bar_h, bar_w, bar_h,
                             from_us >= late_us ? QColor(200, 40, 40) : QColor(60, 120, 200));
            painter.setPen(palette().text().color());
            painter.drawText(QRect(left, top + plot_h - bar_h - label_h, static_cast<int>(slot), label_h),
                             Qt::AlignHCenter | Qt::AlignBottom, QString::number(count));
        }
        painter.setPen(palette().text().color());
        painter.drawText(QRect(left, top + plot_h, static_cast<int>(slot), label_h), Qt::AlignHCenter | Qt::AlignTop,
                         BinLabel(bin));
    }
    painter.drawText(
        QRect(0, 0, width(), label_h), Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral("Ticks by how late they came, in us (m: ms); red: more than a tenth of the period"));
}

} // namespace tamo::ui
