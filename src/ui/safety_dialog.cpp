#include "ui/safety_dialog.h"
#include "ui/twips.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

namespace tamo::ui {
namespace {

// Buttons get the height the toolkit's font needs.
constexpr int kMinButtonHeight = 25;

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

} // namespace

QString SafetyDialog::Notice() {
    return QStringLiteral(
        "A computer-controlled machine tool is potentially dangerous.\n"
        "\n"
        "You, the operator, are responsible for your own safety and for the safety of others while "
        "the CNC machine is running. For the safe use of this software and of the machine tool you "
        "must follow these safety guidelines:\n"
        "\n"
        "1. Never let the machine tool run unattended.\n"
        "\n"
        "2. Require any person in the same room as a running machine tool to wear safety goggles and "
        "to stay a safe distance from the machine.\n"
        "\n"
        "3. Allow only trained operators to run the machine tool. An operator must have knowledge of "
        "machine tool operation, of personal computer operation and of the operating system, and "
        "good common sense.\n"
        "\n"
        "4. Place safety guards around the machine to prevent injury from flying objects. A plexiglass "
        "safety shield around the entire tool envelope is highly recommended.\n"
        "\n"
        "5. Never place any part of your body within the tool envelope while the machine is online: "
        "unexpected machine movement can occur at any time.\n"
        "\n"
        "6. Always keep the tool envelope tidy and free of any loose objects.\n"
        "\n"
        "7. Be on alert for computer crashes at all times.\n"
        "\n"
        "8. If you do not understand and agree with all of the above safety guidelines, choose "
        "Go Offline below.");
}

SafetyDialog::SafetyDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("Welcome to TamoCNC"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(5970 / kTwipsPerPixel, 6900 / kTwipsPerPixel);

    auto* title = new QLabel(QStringLiteral("SAFETY AGREEMENT"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(Bold(font()));
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(Twips(1260, 240, 3450, 285));

    // The space between the title and the notice holds a warning sign.
    auto* sign = new QLabel(this);
    sign->setObjectName(QStringLiteral("WarningSign"));
    const int sign_size = 96;
    sign->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(sign_size, sign_size));
    sign->setAlignment(Qt::AlignCenter);
    sign->setGeometry(Twips(165, 600, 5640, 2200));

    auto* notice = new QPlainTextEdit(Notice(), this);
    notice->setObjectName(QStringLiteral("Text1"));
    notice->setFont(Bold(font()));
    notice->setReadOnly(true);
    notice->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notice->setGeometry(Twips(165, 2880, 5640, 2895));

    auto* offline = new QPushButton(QStringLiteral("Go Offline"), this);
    offline->setObjectName(QStringLiteral("Command2"));
    offline->setAutoDefault(false);
    offline->setGeometry(Twips(960, 6120, 1095, 255, kMinButtonHeight));
    connect(offline, &QPushButton::clicked, this, &SafetyDialog::reject);

    auto* agree = new QPushButton(QStringLiteral("I Agree"), this);
    agree->setObjectName(QStringLiteral("Command1"));
    agree->setAutoDefault(false);
    agree->setGeometry(Twips(3938, 6120, 1095, 255, kMinButtonHeight));
    connect(agree, &QPushButton::clicked, this, [this] {
        agreed_ = true;
        accept();
    });
}

void SafetyDialog::reject() {
    agreed_ = false;
    QDialog::reject();
}

} // namespace tamo::ui
