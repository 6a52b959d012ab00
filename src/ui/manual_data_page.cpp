#include "ui/manual_data_page.h"

#include "check/check.h"
#include "interpreter/cnc.h"
#include "platform/settings_location.h"
#include "ui/controls.h"
#include "ui/user_state.h"

#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

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
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] {
            MoveToPoint();
            KeepTyping(edit);
        });
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
    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("MdiLine"));
    line_->setPlaceholderText(QStringLiteral("G-code line"));
    line_->setToolTip(QStringLiteral("One G-code line; Up and Down recall the lines run before"));
    line_->installEventFilter(this);
    connect(line_, &QLineEdit::textEdited, this, [this](const QString& text) {
        cnc_.manual.Line = text.toStdString();
        recalled_ = cnc_.manual.History.size();
    });
    connect(line_, &QLineEdit::returnPressed, this, [this] {
        RunLine();
        KeepTyping(line_);
    });
    grid->addWidget(line_, 4, 0, 1, 4);
    run_ = new QPushButton(QStringLiteral("Run line"), this);
    run_->setObjectName(QStringLiteral("MdiRun"));
    run_->setAutoDefault(false);
    connect(run_, &QPushButton::clicked, this, [this] { RunLine(); });
    grid->addWidget(run_, 5, 0, 1, 2);
    probe_ = new QPushButton(QStringLiteral("Probe Z"), this);
    probe_->setObjectName(QStringLiteral("ProbeZ"));
    probe_->setAutoDefault(false);
    probe_->setToolTip(QStringLiteral("Z down to the touch plate; Program Z becomes the plate's thickness"));
    connect(probe_, &QPushButton::clicked, this, [this] { act_([this] { cnc_.ProbeZ(); }); });
    grid->addWidget(probe_, 5, 2, 1, 2);
    // An entry a row, the newest at the bottom, the answer under its line and wrapped to the
    // list's width, so that it is read whole in a narrow panel; the tooltip, the status bar and
    // the message log have it too.
    history_ = new QListWidget(this);
    history_->setObjectName(QStringLiteral("MdiHistory"));
    history_->setFocusPolicy(Qt::NoFocus);
    history_->setWordWrap(true);
    history_->setTextElideMode(Qt::ElideNone);
    history_->setResizeMode(QListView::Adjust);
    history_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // rows are wrapped, not scrolled
    connect(history_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Recall(history_->row(item) - static_cast<int>(recalled_)); });
    grid->addWidget(history_, 6, 0, 1, 4);
    grid->setRowStretch(6, 1);

    if (!cnc_.ConfigPath.empty()) {
        kept_ = std::make_unique<UserState>(cnc_.ConfigPath.parent_path() / kUserStateFileName);
        cnc_.manual.History = kept_->TypedLines();
    }
    recalled_ = cnc_.manual.History.size();
    Refresh();
}

void ManualDataPage::MoveToPoint() {
    act_([this] { cnc_.MoveToPoint(); });
    if (cnc_.manual.Refused >= 0) {
        FocusRefused(point_[static_cast<std::size_t>(cnc_.manual.Refused)]);
    }
}

ManualDataPage::~ManualDataPage() = default;

// After Return, once the machine stands still, the field keeps the focus for the next line, unless
// a refusal put it on the field it named.
void ManualDataPage::KeepTyping(QLineEdit* field) {
    if (!cnc_.Running() && (field == line_ || cnc_.manual.Refused < 0) && isVisible()) {
        field->setFocus(Qt::OtherFocusReason);
    }
}

void ManualDataPage::RunLine() {
    const std::size_t answered = cnc_.manual.History.size();
    const bool full = answered == kTypedLinesKept;
    act_([this] {
        // While the machine moves the line is refused anyway, and reading it would cost the run's ticks.
        cnc_.RunManualLine(cnc_.Running() ? TypedLineReading{} : check::ReadTypedLine(cnc_, cnc_.manual.Line));
    });
    if (kept_ && (full || cnc_.manual.History.size() != answered)) {
        kept_->SetTypedLines(cnc_.manual.History);
    }
    recalled_ = cnc_.manual.History.size();
    typing_.clear();
    ShowHistory();
}

bool ManualDataPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == line_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Recall(key == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ManualDataPage::Recall(int step) {
    const auto& history = cnc_.manual.History;
    const long at = static_cast<long>(std::min(recalled_, history.size())) + step;
    if (at < 0 || at > static_cast<long>(history.size())) {
        return;
    }
    if (recalled_ >= history.size()) {
        typing_ = cnc_.manual.Line; // leaving the line being typed: it comes back past the newest
    }
    recalled_ = static_cast<std::size_t>(at);
    cnc_.manual.Line = recalled_ < history.size() ? history[recalled_].Line : typing_;
    line_->setText(QString::fromStdString(cnc_.manual.Line));
    history_->setCurrentRow(recalled_ < history.size() ? static_cast<int>(recalled_) : -1);
}

void ManualDataPage::ShowHistory() {
    const auto& history = cnc_.manual.History;
    if (shown_ == history) {
        return;
    }
    history_->clear();
    for (const ManualDataModel::Typed& typed : history) {
        const QString line = QString::fromStdString(typed.Line);
        const QString answer = QString::fromStdString(typed.Answer);
        auto* item = new QListWidgetItem(line + QStringLiteral("\n\u2192 ") + answer, history_);
        item->setToolTip(line + QLatin1Char('\n') + answer);
    }
    history_->scrollToBottom();
    shown_ = history;
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
    ShowHistory();
}

} // namespace tamo::ui
