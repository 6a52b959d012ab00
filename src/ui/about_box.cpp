#include "ui/about_box.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"

#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tamo::ui {
namespace {

constexpr int kWidth = 4590 / kTwipsPerPixel;
constexpr int kHeight = 3990 / kTwipsPerPixel;
constexpr int kLabelHeight = 16;

QLabel* CentredLabel(QWidget* parent, const char* name, const QString& text, int top_twips, const QFont& font,
                     int height = kLabelHeight) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(0, top_twips / kTwipsPerPixel, kWidth, height);
    return label;
}

void Rule(QWidget* parent, const char* name, int top_twips, int width) {
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry((kWidth - width) / 2, top_twips / kTwipsPerPixel, width, 2);
}

} // namespace

AboutBox::AboutBox(tamo::Cnc& cnc, QWidget* parent) : QDialog(parent), cnc_(cnc) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Tamo CNC"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);

    QFont title = font();
    title.setBold(true);
    title.setPointSizeF(12);
    CentredLabel(this, "Title", QStringLiteral("TAMOCNC"), 240, title, 24);
    CentredLabel(this, "By", QStringLiteral("By"), 720, font());
    QFont maker = font();
    maker.setBold(true);
    maker.setPointSizeF(9.75);
    CentredLabel(this, "Maker", QStringLiteral("Tamo Works"), 1080, maker);
    Rule(this, "Line1", 1440, kWidth - 32);
    CentredLabel(this, "Version", QStringLiteral("Version 1.0.0"), 1680, font());
    Rule(this, "Line2", 1920, kWidth / 2);
    // Which tamo.cfg this copy reads: beside the executable, or the user's own once installed.
    settings_file_ = CentredLabel(this, "SettingsFile", QString(), 2100, font(), 2 * kLabelHeight);
    settings_file_->setContentsMargins(8, 0, 8, 0);
    CentredLabel(this, "Rights", QStringLiteral("Copyright \u00A9 Tamo Works"), 3360, font());
    CentredLabel(this, "Reserved", QStringLiteral("All rights reserved"), 3720, font());

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setGeometry(1920 / kTwipsPerPixel, 2880 / kTwipsPerPixel, 855 / kTwipsPerPixel, 375 / kTwipsPerPixel);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        cnc_.main.AboutVisible = false;
        hide();
        cnc_.op().FocusView();
    });
}

void AboutBox::Refresh() {
    const std::string& file = cnc_.status.ConfigFile;
    const QString path = file.empty() ? QStringLiteral("none: the start-up settings") : QFile::decodeName(file.c_str());
    settings_file_->setText(QStringLiteral("Settings file:\n") + path);
    settings_file_->setToolTip(path);
    if (cnc_.main.AboutVisible == isVisible()) {
        return;
    }
    setVisible(cnc_.main.AboutVisible);
}

void AboutBox::reject() {
    // Escape: hidden like the close box, the box stays for the next Help > About.
    cnc_.main.AboutVisible = false;
    hide();
}

void AboutBox::closeEvent(QCloseEvent* event) {
    cnc_.main.AboutVisible = false;
    QDialog::closeEvent(event);
}

} // namespace tamo::ui
