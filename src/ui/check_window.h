#pragma once

#include "check/check.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <thread>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace tamo::ui {

// Options > "Check Program": the findings of the program check, one row each. Choosing a row asks
// for its line in the program listing through the choose callback.
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

    // Checks the program of the copy. On the windows' thread.
    void Start(check::CheckInput input);
    // Forgets the report and stops a check in progress: no program is loaded.
    void Clear();

    // Called with a finding's line (the program buffer's entry) when the operator chooses it.
    void set_on_choose(std::function<void(int line)> choose) { on_choose_ = std::move(choose); }
    // Called on the windows' thread with every report that is shown.
    void set_on_report(std::function<void(const check::Report&)> report) { on_report_ = std::move(report); }

    [[nodiscard]] const check::Report& report() const { return report_; }
    [[nodiscard]] bool checking() const { return checking_; }

private:
    void Show(check::Report report);
    void Choose(QListWidgetItem* row);
    void StopWorker();

    QLabel* summary_ = nullptr;
    QListWidget* list_ = nullptr;
    std::function<void(int)> on_choose_;
    std::function<void(const check::Report&)> on_report_;
    check::Report report_;
    std::uint64_t generation_ = 0; // of the check whose report is awaited
    bool checking_ = false;
    std::jthread worker_;
};

} // namespace tamo::ui
