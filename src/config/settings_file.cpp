#include "config/settings_file.h"

#include "platform/file_io.h"

#include <cerrno>
#include <cstring>

namespace tamo {
namespace {

// A settings file is a few hundred bytes. A file of a mebibyte is no settings file, and one of
// gigabytes read whole would take the machine's memory.
constexpr std::size_t kMaxSettingsBytes = std::size_t{1} << 20;

} // namespace

SettingsFileRead ReadSettingsFile(const std::string& path) {
    FileContents file = ReadWholeFile(path, kMaxSettingsBytes);
    SettingsFileRead read;
    if (file.error == ENOENT) {
        read.missing = true;
    } else if (file.error != 0) {
        read.problem = "it cannot be read: " + file.problem;
    } else {
        read.bytes = std::move(file.bytes);
    }
    return read;
}

std::vector<std::string_view> SettingsLines(std::string_view text, std::size_t most) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    std::size_t i = 0;
    while (i < text.size() && lines.size() < most) {
        std::size_t end_length = 0;
        if (text[i] == '\n') {
            end_length = 1;
        } else if (text[i] == '\r') {
            end_length = i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
        } else if (text.substr(i, 3) == "\xE2\x80\xA8" || text.substr(i, 3) == "\xE2\x80\xA9") {
            end_length = 3;
        }
        if (end_length == 0) {
            ++i;
            continue;
        }
        lines.push_back(text.substr(begin, i - begin));
        i += end_length;
        begin = i;
    }
    if (begin < text.size() && lines.size() < most) {
        lines.push_back(text.substr(begin));
    }
    return lines;
}

std::string SetUnusableFileAside(const std::string& path, bool& write_blocked) {
    const SetAside aside = SetFileAside(path);
    if (aside.error == 0) {
        return " It was kept as " + aside.backup + "; the start-up settings are in force.";
    }
    write_blocked = true;
    return " It could not be kept as " + aside.backup + " (" + std::strerror(aside.error) +
           "), so it will not be overwritten; the start-up settings are in force.";
}

std::string SaveSettingsFile(const std::string& path, std::string_view text, bool write_blocked) {
    if (write_blocked) {
        return "The settings were not saved: " + path +
               " could not be used and could not be set aside, so it is left "
               "as it is.";
    }
    if (const std::string kind = RegularFileProblem(path); !kind.empty()) {
        // Written into, a FIFO would hold the windows until a reader came; a device would swallow
        // the settings.
        return "The settings could not be saved to " + path + " (" + kind + ").";
    }
    if (const std::string failure = ReplaceFile(path, text); !failure.empty()) {
        return "The settings could not be saved to " + path + " (" + failure + "). The file keeps its former settings.";
    }
    return {};
}

} // namespace tamo
