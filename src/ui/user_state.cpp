#include "ui/user_state.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <string>

namespace tamo::ui {
namespace {

const QString kPortKey = QStringLiteral("port/choice");
const QString kProgramFolderKey = QStringLiteral("files/lastProgramFolder");
const QString kTypedLinesKey = QStringLiteral("typedLines");
const QString kLineKey = QStringLiteral("line");
const QString kAnswerKey = QStringLiteral("answer");
const QString kClearanceKey = QStringLiteral("convert/clearance");

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

std::vector<ManualDataModel::Typed> UserState::TypedLines() {
    const int size = settings_.beginReadArray(kTypedLinesKey);
    std::vector<ManualDataModel::Typed> lines;
    for (int k = std::max(0, size - static_cast<int>(kTypedLinesKept)); k < size; ++k) {
        settings_.setArrayIndex(k);
        lines.push_back(
            {settings_.value(kLineKey).toString().toStdString(), settings_.value(kAnswerKey).toString().toStdString()});
    }
    settings_.endArray();
    return lines;
}

void UserState::SetTypedLines(const std::vector<ManualDataModel::Typed>& lines) {
    settings_.remove(kTypedLinesKey); // an array shorter than the one stored leaves no stale entries
    settings_.beginWriteArray(kTypedLinesKey, static_cast<int>(lines.size()));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        settings_.setArrayIndex(static_cast<int>(k));
        settings_.setValue(kLineKey, QString::fromStdString(lines[k].Line));
        settings_.setValue(kAnswerKey, QString::fromStdString(lines[k].Answer));
    }
    settings_.endArray();
    settings_.sync();
}

std::string UserState::ConvertClearance() const {
    return settings_.value(kClearanceKey).toString().toStdString();
}

void UserState::SetConvertClearance(const std::string& text) {
    settings_.setValue(kClearanceKey, QString::fromStdString(text));
    settings_.sync();
}

} // namespace tamo::ui
