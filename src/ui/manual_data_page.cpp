#include "ui/manual_data_page.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tamo::ui {

ManualDataPage::ManualDataPage(tamo::Cnc& cnc, Handler act, QWidget* parent)
    : QWidget(parent), cnc_(cnc), act_(std::move(act)) {
    setObjectName(QStringLiteral("ManualData"));
    setFont(Plain(font()));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);

    const std::array<const char*, 4> names{"PointX", "PointY", "PointZ", "PointFeed"};
    const std::array<const char*, 4> captions{"X", "Y", "Z", "F"};
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(names[k]));
        edit->setAlignment(Qt::AlignRight);
        std::string* model = i < 3 ? &cnc_.manual.Axis[k] : &cnc_.manual.Feed;
        connect(edit, &QLineEdit::textEdited, this, [model](const QString& text) { *model = text.toStdString(); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { MoveToPoint(); });
        grid->addWidget(new QLabel(QLatin1String(captions[k]), this), i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
        point_[k] = edit;
    }
    point_[0]->setToolTip(QStringLiteral("Program coordinates; an empty field keeps its axis where it is"));
    go_ = new QPushButton(QStringLiteral("Move to point"), this);
    go_->setObjectName(QStringLiteral("PointGo"));
    go_->setAutoDefault(false);
    connect(go_, &QPushButton::clicked, this, [this] { MoveToPoint(); });
    grid->addWidget(go_, 2, 0, 1, 4);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    grid->addWidget(rule, 3, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("G-code line:"), this), 4, 0, 1, 4);
    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("MdiLine"));
    connect(line_, &QLineEdit::textEdited, this,
            [this](const QString& text) { cnc_.manual.Line = text.toStdString(); });
    connect(line_, &QLineEdit::returnPressed, this, [this] { RunLine(); });
    grid->addWidget(line_, 5, 0, 1, 4);
    run_ = new QPushButton(QStringLiteral("Run line"), this);
    run_->setObjectName(QStringLiteral("MdiRun"));
    run_->setAutoDefault(false);
    connect(run_, &QPushButton::clicked, this, [this] { RunLine(); });
    grid->addWidget(run_, 6, 0, 1, 4);
    probe_ = new QPushButton(QStringLiteral("Probe Z"), this);
    probe_->setObjectName(QStringLiteral("ProbeZ"));
    probe_->setAutoDefault(false);
    probe_->setToolTip(QStringLiteral("Z down to the touch plate; Program Z becomes the plate's thickness"));
    connect(probe_, &QPushButton::clicked, this, [this] { act_([this] { cnc_.ProbeZ(); }); });
    grid->addWidget(probe_, 7, 0, 1, 4);
    grid->setRowStretch(8, 1);
    Refresh();
}

void ManualDataPage::MoveToPoint() {
    act_([this] { cnc_.MoveToPoint(); });
    if (cnc_.manual.Refused >= 0) {
        FocusRefused(point_[static_cast<std::size_t>(cnc_.manual.Refused)]);
    }
}

void ManualDataPage::RunLine() {
    act_([this] { cnc_.RunManualLine(); });
}

void ManualDataPage::Refresh() {
    for (std::size_t i = 0; i < 3; ++i) {
        ShowText(point_[i], cnc_.manual.Axis[i]);
    }
    ShowText(point_[3], cnc_.manual.Feed);
    ShowText(line_, cnc_.manual.Line);
    const bool still = !cnc_.Running();
    go_->setEnabled(still);
    run_->setEnabled(still);
    probe_->setEnabled(still);
}

} // namespace tamo::ui
