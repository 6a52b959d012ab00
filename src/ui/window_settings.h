#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>

class QSettings;

namespace tamo::ui {

// What the frame remembers between runs, in tamocnc.ini beside tamo.cfg (never in tamo.cfg, whose
// 48 lines are the machine's): its place and size, and the programs opened last, under keys of
// their own beside the port and the last folder (UserState), and where the operator left the
// splitter between the view and the listing. Without a settings file (tamo.cfg has
// no place) nothing is remembered.
class WindowSettings {
public:
    static constexpr int kRecentPrograms = 5;

    explicit WindowSettings(const std::filesystem::path& config_path);
    ~WindowSettings();
    WindowSettings(const WindowSettings&) = delete;
    WindowSettings& operator=(const WindowSettings&) = delete;

    [[nodiscard]] QByteArray geometry() const;
    void set_geometry(const QByteArray& geometry);

    // The program listing's width as the operator dragged it; 0 when never set.
    [[nodiscard]] int listing_width() const;
    void set_listing_width(int pixels);

    // Newest first, at most kRecentPrograms.
    [[nodiscard]] QStringList recent() const;
    // To the front of the list; an entry already there moves up.
    void AddRecent(const QString& path);
    void RemoveRecent(const QString& path);

private:
    std::unique_ptr<QSettings> ini_;
};

} // namespace tamo::ui
