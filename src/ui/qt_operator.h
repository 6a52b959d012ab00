#pragma once

#include "platform/operator.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tamo::ui {

// The operator as the windows meet them: message boxes, the open-file dialog, the busy pointer,
// the keyboard focus and the event processing of every tick.
//
// For tests the operator can be scripted: then no dialog is ever shown, messages are recorded and
// confirmed, questions answered from a queue and file choices taken from a queue.
class QtOperator final : public Operator {
public:
    struct Message {
        std::string text;
        std::string title;
        bool question = false;
        bool answer = false; // what a question was answered
        std::string over;    // the object name of the window it stood over
    };

    void ShowMessage(const std::string& text, const std::string& title) override;
    [[nodiscard]] bool AskYesNo(const std::string& text, const std::string& title) override;
    [[nodiscard]] bool AskOkCancel(const std::string& text, const std::string& title) override;
    void Beep() override;
    void SetBusyPointer(bool busy) override;
    void FocusView() override;
    [[nodiscard]] std::optional<std::string> ChooseOpenFile(const std::string& initial_dir,
                                                            const std::string& filter) override;
    // Timing contract: called once per tick. Nothing here allocates; the window system's event
    // processing is the one cost it adds, and the live update's read of the tick counter (its
    // refresh of the readouts comes about twenty times a second, not once a tick).
    void Yield() override;
    void ModelsChanged() override;

    // The widget that receives the keyboard focus, and the window that owns the dialogs.
    void set_view(QWidget* view) { view_ = view; }
    void set_dialog_parent(QWidget* parent) { dialog_parent_ = parent; }
    // Shows the models in the windows; set by the main window.
    void set_models_changed(std::function<void()> refresh) { models_changed_ = std::move(refresh); }
    // Called at every yield before the events are processed: the readouts that follow a move.
    void set_live_update(std::function<void()> update) { live_update_ = std::move(update); }
    // The window a message stands over while set (the dialog whose button caused it); null: the
    // frame. See MessageOwner.
    void set_message_owner(QWidget* owner) { message_owner_ = owner; }
    [[nodiscard]] QWidget* message_owner() const { return message_owner_; }
    // The next open-file dialog is answered with this file and not shown: a program dropped on the
    // frame or picked from the recent list goes through the same Open as one chosen in the dialog.
    void AnswerNextOpen(std::string path) { files_.push_back(std::move(path)); }
    // The file the last open-file dialog chose; empty when it was cancelled.
    [[nodiscard]] const std::string& last_chosen_file() const { return last_chosen_file_; }

    // Test hooks. While scripted no dialog opens: every message is confirmed, every question is
    // answered from the queue (Yes when it is empty) and every file choice is taken from the
    // queue (cancelled when it is empty). All of them are recorded.
    void set_scripted(bool scripted) { scripted_ = scripted; }
    void set_next_answers(std::deque<bool> answers) { answers_ = std::move(answers); }
    void set_next_files(std::deque<std::optional<std::string>> files) { files_ = std::move(files); }
    // Called at every yield, before the events are processed, with the number of yields so far.
    void set_yield_hook(std::function<void(std::uint64_t)> hook) { yield_hook_ = std::move(hook); }
    // Called for every message shown while scripted, before it is confirmed.
    void set_message_hook(std::function<void(const Message&)> hook) { message_hook_ = std::move(hook); }
    [[nodiscard]] const std::vector<Message>& messages() const { return messages_; }
    void clear_messages() { messages_.clear(); }
    [[nodiscard]] std::uint64_t yields() const { return yields_; }
    [[nodiscard]] bool busy() const { return busy_; }
    [[nodiscard]] const std::string& last_dialog_dir() const { return last_dialog_dir_; }

private:
    [[nodiscard]] QWidget* MessageParent() const;
    void Record(Message message);

    QWidget* view_ = nullptr;
    QWidget* dialog_parent_ = nullptr;
    QWidget* message_owner_ = nullptr;
    std::function<void()> models_changed_;
    std::function<void()> live_update_;
    std::string last_chosen_file_;

    bool scripted_ = false;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> files_;
    std::function<void(std::uint64_t)> yield_hook_;
    std::function<void(const Message&)> message_hook_;
    std::vector<Message> messages_;
    std::string last_dialog_dir_;
    std::uint64_t yields_ = 0;
    bool busy_ = false;
};

// While it lives, the messages of the core stand over `owner`, the window whose control is being
// handled. Does nothing when the core's operator is not a QtOperator (a scripted test operator).
class MessageOwner {
public:
    MessageOwner(Operator& op, QWidget* owner);
    ~MessageOwner();
    MessageOwner(const MessageOwner&) = delete;
    MessageOwner& operator=(const MessageOwner&) = delete;

private:
    QtOperator* op_;
    QWidget* before_ = nullptr;
};

// The open-file dialog's filter list in Qt's form: "Text Files (*.txt);;All Files (*.*)" from
// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|". A caption without its pattern in brackets gets
// it appended, since Qt reads the pattern from the brackets.
[[nodiscard]] QString QtFileFilter(const std::string& filter);

} // namespace tamo::ui
