#pragma once

#include "platform/operator.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tamo {

class IoRecord;

// An operator who follows a script: confirms every message, answers questions and file choices
// from queues, and can act during a yield (press Pause after so many ticks, for instance).
class ScriptedOperator final : public Operator {
public:
    struct Message {
        std::string text;
        std::string title;
        bool operator==(const Message&) const = default;
    };

    void ShowMessage(const std::string& text, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    void Beep() override { ++beeps_; }
    void SetBusyPointer(bool busy) override { busy_ = busy; }
    void FocusView() override { ++focus_handovers_; }
    std::optional<std::string> ChooseOpenFile(const std::string& initial_dir, const std::string& filter) override;
    void Yield() override;
    void ModelsChanged() override { ++refreshes_; }

    // Answers for the next questions, in order; when the queue is empty the answer is Yes.
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    // Files for the next open dialogs, in order; an empty optional cancels. Empty queue cancels.
    void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    // Called at every yield with the number of yields so far (1 for the first).
    void OnYield(std::function<void(std::uint64_t)> action) { on_yield_ = std::move(action); }
    // Called when a message is shown, before it is confirmed.
    void OnMessage(std::function<void(const Message&)> action) { on_message_ = std::move(action); }
    // Every yield also goes into this record, in order with the port and the clock.
    void set_record(IoRecord* record) { record_ = record; }

    [[nodiscard]] const std::vector<Message>& messages() const { return messages_; }
    [[nodiscard]] const std::vector<Message>& questions() const { return questions_; }
    [[nodiscard]] std::uint64_t yields() const { return yields_; }
    [[nodiscard]] std::uint64_t refreshes() const { return refreshes_; }
    [[nodiscard]] int beeps() const { return beeps_; }
    [[nodiscard]] bool busy() const { return busy_; }
    [[nodiscard]] int focus_handovers() const { return focus_handovers_; }
    [[nodiscard]] const std::string& last_dialog_dir() const { return last_dialog_dir_; }
    [[nodiscard]] const std::string& last_dialog_filter() const { return last_dialog_filter_; }
    void clear_messages() { messages_.clear(); }

private:
    std::vector<Message> messages_;
    std::vector<Message> questions_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> files_;
    std::function<void(std::uint64_t)> on_yield_;
    std::function<void(const Message&)> on_message_;
    IoRecord* record_ = nullptr;
    std::string last_dialog_dir_;
    std::string last_dialog_filter_;
    std::uint64_t yields_ = 0;
    std::uint64_t refreshes_ = 0;
    int beeps_ = 0;
    int focus_handovers_ = 0;
    bool busy_ = false;
};

} // namespace tamo
