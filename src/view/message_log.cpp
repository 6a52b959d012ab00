#include "view/message_log.h"

#include "interpreter/cnc.h"

#include "platform/file_io.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <system_error>

namespace tamo {
namespace {

std::string LocalTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// A title that is not the program's own says where the message came from.
std::string Titled(const std::string& text, const std::string& title) {
    return title.empty() || title == kAppTitle ? text : title + ": " + text;
}

} // namespace

void MessageLog::Add(std::string text) {
    entries_.push_back({++added_, now_ ? now_() : LocalTimeNow(), std::move(text)});
    while (entries_.size() > kKept) {
        entries_.pop_front();
    }
    if (file_) {
        const Entry entry = entries_.back(); // a failed write adds its own entry after this one
        Write(entry);
    }
}

void MessageLog::set_file(std::filesystem::path path, std::uintmax_t max_bytes) {
    file_ = std::move(path);
    max_bytes_ = max_bytes;
}

void MessageLog::Write(const Entry& entry) {
    std::string line = entry.time + "  " + entry.text;
    for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at + 1)) {
        line.insert(at + 1, "    "); // a message of several lines stays one entry to the eye
    }
    line += '\n';
    const std::filesystem::path file = *file_;
    auto give_up = [&](const std::string& why) {
        const std::string problem = "The message log cannot be written to " + file.string() + " (" + why +
                                    "): from now on it is kept in View > Messages only.";
        file_.reset();
        Add(problem);
        if (on_file_problem_) {
            on_file_problem_(problem);
        }
    };
    // Opened for appending, a FIFO would hold the windows until someone read it.
    if (const std::string kind = RegularFileProblem(file.string()); !kind.empty()) {
        give_up(kind);
        return;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error && size + line.size() > max_bytes_) {
        std::filesystem::path older = file;
        older += ".1";
        std::filesystem::rename(file, older, error);
        if (error) {
            give_up(older.string() + " cannot be replaced: " + error.message());
            return;
        }
    }
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << line;
    out.flush();
    if (!out) {
        give_up(std::strerror(errno != 0 ? errno : EIO));
    }
}

std::filesystem::path LogFilePath(const char* xdg_state_home, const char* home) {
    std::filesystem::path base;
    if (xdg_state_home != nullptr && std::filesystem::path(xdg_state_home).is_absolute()) {
        base = xdg_state_home;
    } else if (home != nullptr && std::filesystem::path(home).is_absolute()) {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        return {};
    }
    return base / "tamocnc" / "tamocnc.log";
}

void LoggedOperator::ShowMessage(const std::string& text, const std::string& title) {
    log_->Add(Titled(text, title));
    inner_->ShowMessage(text, title);
}

bool LoggedOperator::AskYesNo(const std::string& text, const std::string& title) {
    const bool yes = inner_->AskYesNo(text, title);
    log_->Add(Titled(text, title) + (yes ? " Yes." : " No."));
    return yes;
}

bool LoggedOperator::AskOkCancel(const std::string& text, const std::string& title) {
    const bool ok = inner_->AskOkCancel(text, title);
    log_->Add(Titled(text, title) + (ok ? " OK." : " Cancel."));
    return ok;
}

} // namespace tamo
