#include "ui/qt_operator.h"

#include "view/message_log.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace tamo::ui {
namespace {

// A box as narrow as its text would have its title cut short by the window frame ("Ta... NC"):
// it is made wide enough for the title, with room for the frame's buttons.
void FitTitle(QMessageBox& box) {
    constexpr int kFrameButtons = 160; // close box and the frame's margins
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameButtons;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

// The answer of a question box; Escape and the close box answer no.
bool Ask(QWidget* parent, const std::string& text, const std::string& title, QMessageBox::StandardButton yes,
         QMessageBox::StandardButton no) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text), yes | no,
                    parent);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    FitTitle(box);
    return box.exec() == yes;
}

} // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (caption.isEmpty() && pattern.isEmpty()) {
            continue;
        }
        if (!caption.endsWith(QLatin1Char(')'))) {
            QString patterns = pattern;
            patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
            caption += QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
        entries.push_back(caption);
    }
    return entries.join(QStringLiteral(";;"));
}

MessageOwner::MessageOwner(Operator& op, QWidget* owner) {
    auto* logged = dynamic_cast<LoggedOperator*>(&op);
    op_ = dynamic_cast<QtOperator*>(logged != nullptr ? &logged->inner() : &op);
    if (op_ != nullptr) {
        before_ = op_->message_owner();
        op_->set_message_owner(owner);
    }
}

MessageOwner::~MessageOwner() {
    if (op_ != nullptr) {
        op_->set_message_owner(before_);
    }
}

QWidget* QtOperator::MessageParent() const {
    return message_owner_ != nullptr && message_owner_->isVisible() ? message_owner_ : dialog_parent_;
}

void QtOperator::Record(Message message) {
    const QWidget* parent = MessageParent();
    message.over = parent != nullptr ? parent->objectName().toStdString() : std::string();
    messages_.push_back(std::move(message));
    if (message_hook_) {
        message_hook_(messages_.back());
    }
}

// The windows show the models first: what a message speaks of (the line of a tool change, the
// position at a limit) is on the screen beside it.
void QtOperator::ShowMessage(const std::string& text, const std::string& title) {
    ModelsChanged();
    if (scripted_) {
        Record({text, title, false, false, {}});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    MessageParent());
    FitTitle(box);
    box.exec();
}

bool QtOperator::AskYesNo(const std::string& text, const std::string& title) {
    ModelsChanged();
    if (scripted_) {
        bool yes = true;
        if (!answers_.empty()) {
            yes = answers_.front();
            answers_.pop_front();
        }
        Record({text, title, true, yes, {}});
        return yes;
    }
    // Closing the box or Escape answers No: nothing is done that was not confirmed.
    return Ask(MessageParent(), text, title, QMessageBox::Yes, QMessageBox::No);
}

bool QtOperator::AskOkCancel(const std::string& text, const std::string& title) {
    ModelsChanged();
    if (scripted_) {
        return AskYesNo(text, title);
    }
    return Ask(MessageParent(), text, title, QMessageBox::Ok, QMessageBox::Cancel);
}

void QtOperator::Beep() {
    QApplication::beep();
}

void QtOperator::SetBusyPointer(bool busy) {
    // Qt keeps override cursors on a stack: one entry at most, however often the core asks.
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (scripted_) {
        return;
    }
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtOperator::FocusView() {
    if (view_ != nullptr) {
        view_->setFocus(Qt::OtherFocusReason);
    }
}

std::optional<std::string> QtOperator::ChooseOpenFile(const std::string& initial_dir, const std::string& filter) {
    last_dialog_dir_ = initial_dir;
    last_chosen_file_.clear();
    std::optional<std::string> chosen;
    if (scripted_ || !files_.empty()) {
        if (!files_.empty()) {
            chosen = std::move(files_.front());
            files_.pop_front();
        }
    } else if (const QString picked =
                   QFileDialog::getOpenFileName(dialog_parent_, QStringLiteral("Open"),
                                                QFile::decodeName(initial_dir.c_str()), QtFileFilter(filter));
               !picked.isEmpty()) {
        chosen = QFile::encodeName(picked).toStdString();
    }
    last_chosen_file_ = chosen.value_or(std::string());
    return chosen;
}

void QtOperator::Yield() {
    ++yields_;
    if (yield_hook_) {
        yield_hook_(yields_);
    }
    if (live_update_) {
        live_update_();
    }
    QCoreApplication::processEvents();
}

void QtOperator::ModelsChanged() {
    if (models_changed_) {
        models_changed_();
    }
}

} // namespace tamo::ui
