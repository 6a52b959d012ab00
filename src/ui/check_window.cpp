#include "ui/check_window.h"

#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

namespace tamo::ui {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

QString RowText(const check::Finding& f) {
    QString place = QStringLiteral("Line %1").arg(f.line);
    if (f.file_line != f.line) {
        place += QStringLiteral(" (file line %1)").arg(f.file_line);
    }
    return place + QStringLiteral("  ") + QLatin1String(check::SeverityName(f.severity)) + QStringLiteral(": ") +
           QString::fromStdString(f.message);
}

} // namespace

CheckWindow::CheckWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("Check Program"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(kWidth, kHeight);

    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(QStringLiteral("No program loaded"), this);
    summary_->setObjectName(QStringLiteral("CheckSummary"));
    layout->addWidget(summary_);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("CheckList"));
    list_->setWordWrap(true);
    list_->setAlternatingRowColors(true);
    layout->addWidget(list_);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CheckClose"));
    layout->addWidget(close, 0, Qt::AlignRight);

    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* row) { Choose(row); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* row) { Choose(row); });
}

CheckWindow::~CheckWindow() {
    // Before anything of the window goes: the worker's last act is a call queued to it.
    StopWorker();
}

void CheckWindow::StopWorker() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

void CheckWindow::Start(check::CheckInput input) {
    StopWorker();
    const std::uint64_t generation = ++generation_;
    checking_ = true;
    summary_->setText(QStringLiteral("Checking the program..."));
    list_->clear();
    worker_ = std::jthread([this, generation, input = std::move(input)](const std::stop_token& stop) mutable {
        check::Report report = check::CheckProgram(std::move(input), stop);
        if (stop.stop_requested()) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, report = std::move(report)]() mutable {
                if (generation == generation_) {
                    Show(std::move(report));
                }
            },
            Qt::QueuedConnection);
    });
}

void CheckWindow::Clear() {
    StopWorker();
    ++generation_;
    checking_ = false;
    report_ = {};
    summary_->setText(QStringLiteral("No program loaded"));
    list_->clear();
}

void CheckWindow::Show(check::Report report) {
    if (worker_.joinable()) {
        worker_.join(); // it has done its last act, the call that brought us here
    }
    checking_ = false;
    report_ = std::move(report);
    QString summary = QString::fromStdString(report_.Summary()) + QStringLiteral(" in %1 lines").arg(report_.lines);
    if (report_.left_out > 0) {
        summary += QStringLiteral(" (the first %1 of each kind are listed)").arg(check::kMaxFindingsPerCode);
    }
    summary_->setText(summary);
    list_->clear();
    for (const check::Finding& f : report_.findings) {
        auto* row = new QListWidgetItem(RowText(f), list_);
        row->setData(Qt::UserRole, f.line);
        row->setToolTip(QString::fromStdString(f.text));
    }
    if (on_report_) {
        on_report_(report_);
    }
}

void CheckWindow::Choose(QListWidgetItem* row) {
    if (row != nullptr && on_choose_) {
        on_choose_(row->data(Qt::UserRole).toInt());
    }
}

} // namespace tamo::ui
