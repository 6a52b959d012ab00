#include "platform/scripted_operator.h"

#include "platform/io_record.h"

namespace tamo {

void ScriptedOperator::ShowMessage(const std::string& text, const std::string& title) {
    messages_.push_back({text, title});
    if (on_message_) {
        on_message_(messages_.back());
    }
}

bool ScriptedOperator::AskYesNo(const std::string& text, const std::string& title) {
    questions_.push_back({text, title});
    if (answers_.empty()) {
        return true;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedOperator::ChooseOpenFile(const std::string& initial_dir, const std::string& filter) {
    last_dialog_dir_ = initial_dir;
    last_dialog_filter_ = filter;
    if (files_.empty()) {
        return std::nullopt;
    }
    auto file = std::move(files_.front());
    files_.pop_front();
    return file;
}

void ScriptedOperator::Yield() {
    ++yields_;
    if (record_ != nullptr) {
        record_->Yield();
    }
    if (on_yield_) {
        on_yield_(yields_);
    }
}

} // namespace tamo
