#pragma once

// The handling that every settings file of the machine shares (tamo.cfg, and the machine's travel
// and outputs beside it): read whole within a size that no settings file reaches, set aside under a
// backup name of its own when it cannot be used, and replaced whole or not at all.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

struct SettingsFileRead {
    bool missing = false; // no file yet: a first start, the start-up values apply
    std::string bytes;
    std::string problem; // why it cannot be read, for "cannot be used: ..."; empty when it was read
};

[[nodiscard]] SettingsFileRead ReadSettingsFile(const std::string& path);

// The lines of a settings file's text, at most `most` of them, as every editor may have saved it: a
// UTF-8 byte-order mark at its head is skipped, and CR LF, LF, CR alone, U+2028 and U+2029 each end
// a line. A line end after the last line adds no empty line.
[[nodiscard]] std::vector<std::string_view> SettingsLines(std::string_view text, std::size_t most = SIZE_MAX);

// Renames a file that cannot be used to the first free NAME.bak, NAME.bak.1, ... and returns the
// sentence that tells the operator where it went. When it cannot be set aside, write_blocked is
// set: the file must then never be overwritten.
[[nodiscard]] std::string SetUnusableFileAside(const std::string& path, bool& write_blocked);

// Replaces the file whole (temporary file, flush, rename). Empty on success; otherwise what to
// tell the operator, the old file being whole.
[[nodiscard]] std::string SaveSettingsFile(const std::string& path, std::string_view text, bool write_blocked);

} // namespace tamo
