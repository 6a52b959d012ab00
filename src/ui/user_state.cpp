#include "ui/user_state.h"

#include "platform/file_io.h"

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

UserState::UserState(const std::filesystem::path& file) {
    if (std::string kind = RegularFileProblem(file.string()); !kind.empty()) {
        problem_ = file.string() + " cannot be used: " + kind +
                   ". The port, the last folder and the typed lines "
                   "are not remembered until it is removed.";
        return;
    }
    settings_ = std::make_unique<QSettings>(PathText(file), QSettings::IniFormat);
}

PortChoice UserState::Port(const std::optional<PortChoice>& given) {
    if (given) {
        if (settings_ && *given == PortChoice{}) {
            settings_->remove(kPortKey);
        } else if (settings_) {
            settings_->setValue(kPortKey, QString::fromStdString(PortChoiceText(*given)));
        }
        return *given;
    }
    PortChoice remembered;
    std::string ignored;
    if (!settings_ || !ParsePortChoice(settings_->value(kPortKey).toString().toStdString(), remembered, ignored)) {
        return {};
    }
    return remembered;
}

// Kept as bytes: a folder name need not be UTF-8, and a text would lose what is not.
std::filesystem::path UserState::LastProgramFolder() const {
    return settings_ ? settings_->value(kProgramFolderKey).toByteArray().toStdString() : std::string();
}

void UserState::SetLastProgramFolder(const std::filesystem::path& folder) {
    if (settings_) {
        settings_->setValue(kProgramFolderKey, QByteArray::fromStdString(folder.string()));
    }
}

std::vector<ManualDataModel::Typed> UserState::TypedLines() {
    if (!settings_) {
        return {};
    }
    QSettings& settings = *settings_;
    const int size = settings.beginReadArray(kTypedLinesKey);
    std::vector<ManualDataModel::Typed> lines;
    for (int k = std::max(0, size - static_cast<int>(kTypedLinesKept)); k < size; ++k) {
        settings.setArrayIndex(k);
        lines.push_back(
            {settings.value(kLineKey).toString().toStdString(), settings.value(kAnswerKey).toString().toStdString()});
    }
    settings.endArray();
    return lines;
}

void UserState::SetTypedLines(const std::vector<ManualDataModel::Typed>& lines) {
    if (!settings_) {
        return;
    }
    QSettings& settings = *settings_;
    settings.remove(kTypedLinesKey); // an array shorter than the one stored leaves no stale entries
    settings.beginWriteArray(kTypedLinesKey, static_cast<int>(lines.size()));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        settings.setArrayIndex(static_cast<int>(k));
        settings.setValue(kLineKey, QString::fromStdString(lines[k].Line));
        settings.setValue(kAnswerKey, QString::fromStdString(lines[k].Answer));
    }
    settings.endArray();
    settings.sync();
}

std::string UserState::ConvertClearance() const {
    return settings_ ? settings_->value(kClearanceKey).toString().toStdString() : std::string();
}

void UserState::SetConvertClearance(const std::string& text) {
    if (settings_) {
        settings_->setValue(kClearanceKey, QString::fromStdString(text));
        settings_->sync();
    }
}

} // namespace tamo::ui
