#pragma once

// What happened, in the order it happened: every message and question the operator was shown,
// the refusals among them, each run's start and end, origin changes and port events, each with
// the time. The windows list it; a file keeps it across starts, cut to a bounded size.

#include "platform/operator.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tamo {

class MessageLog {
public:
    struct Entry {
        std::uint64_t number = 0; // counts every entry since the start, also those let go
        std::string time;         // "YYYY-MM-DD HH:MM:SS", local time
        std::string text;
    };
    // The entries kept in memory: the newest ones.
    static constexpr std::size_t kKept = 2000;

    // Never from a tick: it allocates, and with a file it writes.
    void Add(std::string text);
    [[nodiscard]] const std::deque<Entry>& entries() const { return entries_; }
    [[nodiscard]] std::uint64_t added() const { return added_; }

    // Every entry from now on is appended to the file too. When the file would pass max_bytes it
    // becomes FILE.1 (an older FILE.1 goes) and a new file begins: the two hold at most twice the
    // bound. A file that cannot be written (its folder unwritable or full, a FIFO or a device in
    // its place, a FILE.1 that cannot be replaced) is said once, in the log and to on_file_problem
    // (the status bar), and not tried again: the file never passes the bound.
    void set_file(std::filesystem::path path, std::uintmax_t max_bytes = kDefaultFileBytes);
    void set_on_file_problem(std::function<void(const std::string&)> told) { on_file_problem_ = std::move(told); }
    static constexpr std::uintmax_t kDefaultFileBytes = std::uintmax_t{1} << 20;
    // The clock of the entries' times; tests give a fixed one.
    void set_time_source(std::function<std::string()> now) { now_ = std::move(now); }

private:
    void Write(const Entry& entry);

    std::deque<Entry> entries_;
    std::uint64_t added_ = 0;
    std::optional<std::filesystem::path> file_;
    std::uintmax_t max_bytes_ = kDefaultFileBytes;
    std::function<std::string()> now_;
    std::function<void(const std::string&)> on_file_problem_;
};

// The log file: $XDG_STATE_HOME/tamocnc/tamocnc.log, or ~/.local/state/tamocnc/tamocnc.log; empty
// when neither variable gives an absolute folder.
[[nodiscard]] std::filesystem::path LogFilePath(const char* xdg_state_home, const char* home);

// The operator as the core meets it, with every message and question written into the log on the
// way, and the answer a question got.
class LoggedOperator final : public Operator {
public:
    LoggedOperator(Operator& inner, MessageLog& log) : inner_(&inner), log_(&log) {}

    void ShowMessage(const std::string& text, const std::string& title) override;
    [[nodiscard]] bool AskYesNo(const std::string& text, const std::string& title) override;
    [[nodiscard]] bool AskOkCancel(const std::string& text, const std::string& title) override;
    void Beep() override { inner_->Beep(); }
    void SetBusyPointer(bool busy) override { inner_->SetBusyPointer(busy); }
    void FocusView() override { inner_->FocusView(); }
    [[nodiscard]] std::optional<std::string> ChooseOpenFile(const std::string& initial_dir,
                                                            const std::string& filter) override {
        return inner_->ChooseOpenFile(initial_dir, filter);
    }
    void Yield() override { inner_->Yield(); }
    void ModelsChanged() override { inner_->ModelsChanged(); }
    // The operator given: the windows' own, whose dialogs a message stands over.
    [[nodiscard]] Operator& inner() const { return *inner_; }

private:
    Operator* inner_;
    MessageLog* log_;
};

} // namespace tamo
