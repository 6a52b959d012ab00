#pragma once

#include "interpreter/models.h"
#include "platform/hardware_port.h"

#include <QSettings>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tamo::ui {

// tamocnc.ini beside tamo.cfg: what is remembered for the user that is no machine setting. The
// port, the folder of the last program and the lines typed on the "Point" page are kept here under
// keys of their own; other parts of the windows keep theirs in the same file, and each save leaves
// the others' keys alone.
//
// Only a regular file (or none yet) is read and written: a FIFO there would hold the windows before
// the frame shows, and a device would be renamed over. Anything else is told once (problem()) and
// nothing is remembered until it is gone.
class UserState {
public:
    explicit UserState(const std::filesystem::path& file);

    // Why the file is not used: "FILE is a FIFO, not a regular file: ..."; empty when it is.
    [[nodiscard]] const std::string& problem() const { return problem_; }

    // The port to open: the one given on the command line, which is remembered ("default"
    // forgets), else the one remembered; a remembered text that is no port counts as default.
    [[nodiscard]] PortChoice Port(const std::optional<PortChoice>& given);

    [[nodiscard]] std::filesystem::path LastProgramFolder() const;
    void SetLastProgramFolder(const std::filesystem::path& folder);

    // The typed lines with their answers, oldest first: at most kTypedLinesKept, the newest, also
    // of a file edited by hand. Setting them writes them to the disk at once.
    [[nodiscard]] std::vector<ManualDataModel::Typed> TypedLines();
    void SetTypedLines(const std::vector<ManualDataModel::Typed>& lines);

    // The clearance height last given to "Convert and open", as typed (empty: none given). Setting
    // it writes it to the disk at once.
    [[nodiscard]] std::string ConvertClearance() const;
    void SetConvertClearance(const std::string& text);

    // Onto the disk now: the program ends without running destructors.
    void Save() {
        if (settings_) {
            settings_->sync();
        }
    }

private:
    std::unique_ptr<QSettings> settings_;
    std::string problem_;
};

} // namespace tamo::ui
