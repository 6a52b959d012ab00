#include "ui/window_settings.h"

#include "platform/file_io.h"
#include "platform/settings_location.h"

#include <QFile>
#include <QSettings>

#include <algorithm>

namespace tamo::ui {
namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kListingKey = QStringLiteral("window/listingWidth");
const QString kRecentKey = QStringLiteral("files/recentPrograms");

} // namespace

WindowSettings::WindowSettings(const std::filesystem::path& config_path) {
    if (!config_path.empty()) {
        const std::filesystem::path ini = config_path.parent_path() / kUserStateFileName;
        // Not a regular file: a FIFO would hold the frame before it shows. The operator is told by
        // UserState, which reads the same file first.
        if (!RegularFileProblem(ini.string()).empty()) {
            return;
        }
        ini_ = std::make_unique<QSettings>(QFile::decodeName(ini.string().c_str()), QSettings::IniFormat);
    }
}

WindowSettings::~WindowSettings() = default;

QByteArray WindowSettings::geometry() const {
    return ini_ ? ini_->value(kGeometryKey).toByteArray() : QByteArray();
}

void WindowSettings::set_geometry(const QByteArray& geometry) {
    if (ini_) {
        ini_->setValue(kGeometryKey, geometry);
        ini_->sync();
    }
}

int WindowSettings::listing_width() const {
    return ini_ ? std::max(0, ini_->value(kListingKey, 0).toInt()) : 0;
}

void WindowSettings::set_listing_width(int pixels) {
    if (ini_) {
        ini_->setValue(kListingKey, pixels);
        ini_->sync();
    }
}

QStringList WindowSettings::recent() const {
    if (!ini_) {
        return {};
    }
    QStringList list = ini_->value(kRecentKey).toStringList();
    list.removeAll(QString());
    return list.mid(0, kRecentPrograms);
}

void WindowSettings::AddRecent(const QString& path) {
    if (!ini_ || path.isEmpty()) {
        return;
    }
    QStringList list = recent();
    list.removeAll(path);
    list.prepend(path);
    ini_->setValue(kRecentKey, list.mid(0, kRecentPrograms));
    ini_->sync();
}

void WindowSettings::RemoveRecent(const QString& path) {
    if (!ini_) {
        return;
    }
    QStringList list = recent();
    list.removeAll(path);
    ini_->setValue(kRecentKey, list);
    ini_->sync();
}

} // namespace tamo::ui
