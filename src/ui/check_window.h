#pragma once

#include "check/check.h"
#include "convert/convert.h"

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tamo {
class Operator;
}

namespace tamo::ui {

class UserState;

// Options > "Check Program": the findings of the program check, one row each. Choosing a row asks
// for its line in the program listing through the choose callback. When the converter resolves a
// finding, "Convert and open" writes the program in the machine's dialect (NAME.tamo.nc beside
// it, or where the operator chooses; the original is never changed) and asks for it to be opened.
// Retracts go up to the clearance height typed beside it, or to the highest Z of the program when
// the field is empty; what was typed is remembered. A program the converter refuses whole (cutter
// compensation, or one that would grow too long) is named with the reason, and nothing is written.
//
// The check runs on a thread of its own over a copy of the controller taken when it starts, so
// that neither the windows nor a run wait for it; its report comes back to the windows' thread. A
// new check replaces one in progress, whose report is then never shown. Modeless; hidden, never
// destroyed, like the other dialogs.
class CheckWindow final : public QDialog {
public:
    explicit CheckWindow(QWidget* parent = nullptr);
    ~CheckWindow() override;
    CheckWindow(const CheckWindow&) = delete;
    CheckWindow& operator=(const CheckWindow&) = delete;

    // Checks the program of the copy, read from the file at `program` (for "Convert and open").
    // On the windows' thread.
    void Start(check::CheckInput input, std::string program = {});
    // Forgets the report and stops a check in progress: no program is loaded.
    void Clear();

    // Called with a finding's line (the program buffer's entry) when the operator chooses it.
    void set_on_choose(std::function<void(int line)> choose) { on_choose_ = std::move(choose); }
    // Called on the windows' thread with every report that is shown.
    void set_on_report(std::function<void(const check::Report&)> report) { on_report_ = std::move(report); }
    // Called with the converted program's path, to open it.
    void set_on_open(std::function<void(const std::string& path)> open) { on_open_ = std::move(open); }
    // Where the messages and the question of "Convert and open" go.
    void set_operator(Operator* op) { op_ = op; }
    // Where to write the converted program, offered the place beside the original; empty when the
    // operator cancels. A save dialog unless a test puts in its own answer.
    void set_choose_path(std::function<std::string(const std::string& suggested)> choose) {
        choose_path_ = std::move(choose);
    }
    // The clearance height is remembered in tamocnc.ini beside the settings file `config` (not at
    // all when it is empty); shows the one remembered there.
    void set_config_path(const std::filesystem::path& config);
    // "Convert and open", as its button does it.
    void ConvertAndOpen();

    [[nodiscard]] const check::Report& report() const { return report_; }
    [[nodiscard]] bool checking() const { return checking_; }

private:
    void Show(check::Report report);
    void Choose(QListWidgetItem* row);
    void StopWorker();

    QLabel* summary_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* convert_ = nullptr;
    QLabel* clearance_label_ = nullptr;
    QLineEdit* clearance_ = nullptr;
    std::unique_ptr<UserState> kept_;
    std::function<void(int)> on_choose_;
    std::function<void(const check::Report&)> on_report_;
    std::function<void(const std::string&)> on_open_;
    std::function<std::string(const std::string&)> choose_path_;
    Operator* op_ = nullptr;
    std::string program_;              // the file the checked program came from
    convert::Options convert_options_; // the unit and steps of the machine it was checked for
    check::Report report_;
    std::uint64_t generation_ = 0; // of the check whose report is awaited
    bool checking_ = false;
    std::jthread worker_;
};

} // namespace tamo::ui
