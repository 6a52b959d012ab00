#include "ui/check_window.h"

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "interpreter/program_buffer.h"
#include "platform/file_io.h"
#include "platform/operator.h"
#include "platform/settings_location.h"
#include "ui/user_state.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace tamo::ui {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
// Lines not converted named in the question before the converted program opens; the rest counted.
constexpr std::size_t kUnconvertedNamed = 8;

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
    auto* buttons = new QHBoxLayout;
    convert_ = new QPushButton(QStringLiteral("Convert and open"), this);
    convert_->setObjectName(QStringLiteral("CheckConvert"));
    convert_->setToolTip(QStringLiteral("Write the program in TamoCNC's dialect beside the original, which stays as "
                                        "it is, and open it"));
    convert_->setVisible(false);
    buttons->addWidget(convert_);
    clearance_label_ = new QLabel(QStringLiteral("Clearance height:"), this);
    clearance_ = new QLineEdit(this);
    clearance_->setObjectName(QStringLiteral("CheckClearance"));
    clearance_->setPlaceholderText(QStringLiteral("highest Z of the program"));
    clearance_->setToolTip(QStringLiteral("Where retracts (G53 Z, G28, G30) go up to, in the unit of the settings; "
                                          "empty: the highest Z the program reaches"));
    clearance_label_->setBuddy(clearance_);
    buttons->addWidget(clearance_label_);
    buttons->addWidget(clearance_);
    clearance_label_->setVisible(false);
    clearance_->setVisible(false);
    buttons->addStretch();
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CheckClose"));
    buttons->addWidget(close);
    layout->addLayout(buttons);

    choose_path_ = [this](const std::string& suggested) {
        return QFile::encodeName(QFileDialog::getSaveFileName(this, QStringLiteral("Convert and open"),
                                                              QFile::decodeName(suggested.c_str()),
                                                              QStringLiteral("G-code Files (*.nc)")))
            .toStdString();
    };
    connect(convert_, &QPushButton::clicked, this, [this] { ConvertAndOpen(); });
    connect(clearance_, &QLineEdit::editingFinished, this, [this] {
        if (kept_) {
            kept_->SetConvertClearance(clearance_->text().trimmed().toStdString());
        }
    });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* row) { Choose(row); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* row) { Choose(row); });
}

CheckWindow::~CheckWindow() {
    // Before anything of the window goes: the worker's last act is a call queued to it.
    StopWorker();
}

void CheckWindow::set_config_path(const std::filesystem::path& config) {
    if (config.empty()) {
        return;
    }
    kept_ = std::make_unique<UserState>(config.parent_path() / kUserStateFileName);
    clearance_->setText(QString::fromStdString(kept_->ConvertClearance()));
}

void CheckWindow::StopWorker() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

void CheckWindow::Start(check::CheckInput input, std::string program) {
    StopWorker();
    program_ = std::move(program);
    convert_options_.inch = input.settings.OptionIn && !input.settings.optionmm;
    convert_options_.step_x = input.st.UnitsPerStepX;
    convert_options_.step_y = input.st.UnitsPerStepY;
    convert_options_.step_z = input.st.UnitsPerStepZ;
    convert_->setVisible(false);
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
    program_.clear();
    convert_->setVisible(false);
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
    const bool convertible = !program_.empty() && std::any_of(report_.findings.begin(), report_.findings.end(),
                                                              [](const check::Finding& f) { return f.convert_fixes; });
    convert_->setVisible(convertible);
    clearance_label_->setVisible(convertible);
    clearance_->setVisible(convertible);
    if (on_report_) {
        on_report_(report_);
    }
}

void CheckWindow::ConvertAndOpen() {
    if (program_.empty() || op_ == nullptr) {
        return;
    }
    const std::string clearance = clearance_->text().trimmed().toStdString();
    // Empty: none given, and the converter takes the highest Z of the program.
    double height = std::numeric_limits<double>::quiet_NaN();
    if (!clearance.empty()) {
        const std::optional<double> read = ReadNumber(clearance);
        if (!read || !std::isfinite(*read)) {
            op_->ShowMessage("The clearance height \"" + clearance +
                                 "\" is not a number: give the height retracts go up to, or leave it empty for the "
                                 "highest Z of the program.",
                             kAppTitle);
            return;
        }
        height = *read;
    }
    if (kept_) {
        kept_->SetConvertClearance(clearance);
    }
    const std::filesystem::path original(program_);
    const std::string chosen = choose_path_(convert::ConvertedPath(original).string());
    if (chosen.empty()) {
        return;
    }
    const FileContents file = ReadWholeFile(program_, kMaxProgramBytes);
    if (file.error != 0) {
        op_->ShowMessage("The program " + program_ + " cannot be read: " + file.problem + ".", kAppTitle);
        return;
    }
    convert::Options options = convert_options_;
    options.source_name = original.filename().string();
    options.clearance = height;
    const convert::Conversion conversion = convert::ConvertProgram(file.bytes, options);
    if (!conversion.refused.empty()) {
        op_->ShowMessage("The program cannot be converted, and nothing was written: " + conversion.refused + ".",
                         kAppTitle);
        return;
    }
    if (std::string problem = convert::WriteConverted(original, chosen, conversion.text); !problem.empty()) {
        op_->ShowMessage("The converted program cannot be written: " + problem + ".", kAppTitle);
        return;
    }
    if (!conversion.unconverted.empty()) {
        const std::size_t n = conversion.unconverted.size();
        std::string question = std::to_string(n) + (n == 1 ? " line or word" : " lines or words") +
                               " could not be converted and stand in " + chosen + " as comments:\n";
        for (std::size_t k = 0; k < std::min(n, kUnconvertedNamed); ++k) {
            const convert::Unconverted& line = conversion.unconverted[k];
            question += "line " + std::to_string(line.file_line) + ": " + (line.words.empty() ? "" : line.words + " ") +
                        line.reason + "\n";
        }
        if (n > kUnconvertedNamed) {
            question += "and " + std::to_string(n - kUnconvertedNamed) + " more.\n";
        }
        if (!op_->AskYesNo(question + "Open the converted program all the same?", kAppTitle)) {
            return;
        }
    }
    if (on_open_) {
        on_open_(chosen);
    }
}

void CheckWindow::Choose(QListWidgetItem* row) {
    if (row != nullptr && on_choose_) {
        on_choose_(row->data(Qt::UserRole).toInt());
    }
}

} // namespace tamo::ui
