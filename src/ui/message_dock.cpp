#include "ui/message_dock.h"

#include "interpreter/cnc.h"

#include <QPlainTextEdit>
#include <QTimer>

namespace tamo::ui {

MessageDock::MessageDock(const tamo::Cnc& cnc, QWidget* parent)
    : QDockWidget(QStringLiteral("Messages"), parent), cnc_(cnc) {
    setObjectName(QStringLiteral("Messages"));
    list_ = new QPlainTextEdit(this);
    list_->setObjectName(QStringLiteral("MessageList"));
    list_->setReadOnly(true);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setMaximumBlockCount(static_cast<int>(MessageLog::kKept));
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    setWidget(list_);
    toggleViewAction()->setObjectName(QStringLiteral("View_Messages"));
    // Windows that tell the operator something without the frame refreshing (the check window's
    // boxes, say) are listed within a moment all the same.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] { Refresh(); });
    poll->start(kPollMs);
    Refresh();
}

void MessageDock::Refresh() {
    const MessageLog& log = cnc_.log;
    if (log.added() == shown_) {
        return;
    }
    for (const MessageLog::Entry& entry : log.entries()) {
        if (entry.number > shown_) {
            QString text = QString::fromStdString(entry.text);
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            list_->appendPlainText(QString::fromStdString(entry.time) + QStringLiteral("  ") + text);
        }
    }
    shown_ = log.added();
}

} // namespace tamo::ui
