#include "ui/user_state.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace tamo::ui {
namespace {

const QString kPortKey = QStringLiteral("port/choice");
const QString kProgramFolderKey = QStringLiteral("files/lastProgramFolder");

QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

UserState::UserState(const std::filesystem::path& file) : settings_(PathText(file), QSettings::IniFormat) {}

PortChoice UserState::Port(const std::optional<PortChoice>& given) {
    if (given) {
        if (*given == PortChoice{}) {
            settings_.remove(kPortKey);
        } else {
            settings_.setValue(kPortKey, QString::fromStdString(PortChoiceText(*given)));
        }
        return *given;
    }
    PortChoice remembered;
    std::string ignored;
    if (!ParsePortChoice(settings_.value(kPortKey).toString().toStdString(), remembered, ignored)) {
        return {};
    }
    return remembered;
}

// Kept as bytes: a folder name need not be UTF-8, and a text would lose what is not.
std::filesystem::path UserState::LastProgramFolder() const {
    return settings_.value(kProgramFolderKey).toByteArray().toStdString();
}

void UserState::SetLastProgramFolder(const std::filesystem::path& folder) {
    settings_.setValue(kProgramFolderKey, QByteArray::fromStdString(folder.string()));
}

} // namespace tamo::ui
