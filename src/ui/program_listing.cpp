#include "ui/program_listing.h"

#include "interpreter/cnc.h"

#include <QAction>
#include <QColor>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstddef>

namespace tamo::ui {

ProgramLines::ProgramLines(const tamo::Cnc& cnc, QObject* parent) : QAbstractTableModel(parent), cnc_(cnc) {}

int ProgramLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ProgramLines::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant ProgramLines::data(const QModelIndex& index, int role) const {
    const int line = index.row() + 1;
    // A row past the buffer's count can only be asked for between a change of the buffer and the
    // Reload that follows it.
    if (!index.isValid() || line > cnc_.st.PrgLineCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        const std::string_view text = cnc_.st.PrgBuf.Text(static_cast<std::size_t>(line));
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    // The line in progress in a colour of its own, apart from the selection of a line asked for.
    if (role == Qt::BackgroundRole && line == current_) {
        return QColor(255, 214, 102);
    }
    return {};
}

void ProgramLines::Reload() {
    beginResetModel();
    rows_ = cnc_.st.PrgLineCount;
    current_ = 0;
    endResetModel();
}

void ProgramLines::SetCurrent(int line) {
    if (line == current_) {
        return;
    }
    const int old = current_;
    current_ = line;
    for (const int changed : {old, line}) {
        if (changed >= 1 && changed <= rows_) {
            const QModelIndex at = index(changed - 1, 0);
            emit dataChanged(at, at, {Qt::BackgroundRole});
        }
    }
}

// The line numbers in the listing's margin, left of its rows, where a table keeps its row header.
class ProgramListing::Numbers final : public QWidget {
public:
    explicit Numbers(ProgramListing& listing) : QWidget(&listing), listing_(listing) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        listing_.PaintNumbers(painter, event->rect());
    }

private:
    ProgramListing& listing_;
};

ProgramListing::ProgramListing(const tamo::Cnc& cnc, QWidget* parent)
    : QAbstractItemView(parent), cnc_(cnc), lines_(cnc, this), numbers_(new Numbers(*this)) {
    setObjectName(QStringLiteral("ProgramListing"));
    setModel(&lines_);
    setFocusPolicy(Qt::NoFocus);
    // A line asked for (Reveal) shows selected; the line in progress keeps a colour of its own.
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    // The context menu of a line: the press of the right button has selected it.
    run_from_ = new QAction(QStringLiteral("Run from here"), this);
    run_from_->setObjectName(QStringLiteral("RunFromHere"));
    connect(run_from_, &QAction::triggered, this, [this] {
        const QModelIndexList chosen = selectionModel()->selectedRows();
        if (!chosen.isEmpty() && on_run_from_) {
            on_run_from_(chosen.front().row() + 1);
        }
    });
    addAction(run_from_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ProgramListing::Reveal(int line) {
    if (line < 1 || line > lines_.rowCount()) {
        return;
    }
    const QModelIndex at = lines_.index(line - 1, 0);
    selectionModel()->select(at, QItemSelectionModel::ClearAndSelect);
    scrollTo(at, QAbstractItemView::PositionAtCenter);
}

int ProgramListing::row_height() const {
    return fontMetrics().height() + 2;
}

int ProgramListing::rows_shown() const {
    return std::max(1, viewport()->height() / row_height());
}

// The scroll bar counts rows.
int ProgramListing::top_row() const {
    return verticalScrollBar()->value();
}

int ProgramListing::verticalOffset() const {
    return top_row() * row_height();
}

int ProgramListing::gutter_width() const {
    return fontMetrics().horizontalAdvance(QString::number(std::max(lines_.rowCount(), 9))) + 10;
}

QRect ProgramListing::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= lines_.rowCount()) {
        return {};
    }
    return {0, (index.row() - top_row()) * row_height(), viewport()->width(), row_height()};
}

void ProgramListing::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) {
        return;
    }
    updateGeometries(); // a Reload just before may not have laid the rows out yet
    const int row = index.row();
    const int shown = rows_shown();
    int top = top_row();
    switch (hint) {
    case EnsureVisible:
        if (row < top) {
            top = row;
        } else if (row >= top + shown) {
            top = row - shown + 1;
        }
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - shown + 1;
        break;
    case PositionAtCenter:
        top = row - shown / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
    viewport()->update();
}

QModelIndex ProgramListing::indexAt(const QPoint& point) const {
    if (point.y() < 0) {
        return {};
    }
    const int row = top_row() + point.y() / row_height();
    return row < lines_.rowCount() ? lines_.index(row, 0) : QModelIndex();
}

// The listing takes no keys: the cursor stays where it is.
QModelIndex ProgramListing::moveCursor(CursorAction /*action*/, Qt::KeyboardModifiers /*modifiers*/) {
    return currentIndex();
}

void ProgramListing::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QModelIndex at = indexAt(rect.topLeft());
    if (at.isValid()) {
        selectionModel()->select(at, command);
    } else if (command.testFlag(QItemSelectionModel::Clear)) {
        selectionModel()->clearSelection();
    }
}

QRegion ProgramListing::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top_row());
        const int last = std::min(range.bottom(), top_row() + rows_shown());
        for (int row = first; row <= last; ++row) {
            region += visualRect(lines_.index(row, 0));
        }
    }
    return region;
}

void ProgramListing::updateGeometries() {
    QScrollBar* bar = verticalScrollBar();
    const int shown = rows_shown();
    bar->setRange(0, std::max(0, lines_.rowCount() - shown));
    bar->setSingleStep(1);
    bar->setPageStep(shown);
    const int gutter = gutter_width();
    setViewportMargins(gutter, 0, 0, 0);
    const QRect port = viewport()->geometry();
    numbers_->setGeometry(port.left() - gutter, port.top(), gutter, port.height());
    numbers_->update();
    QAbstractItemView::updateGeometries();
}

void ProgramListing::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
    numbers_->update();
}

void ProgramListing::PaintNumbers(QPainter& painter, const QRect& area) const {
    const int height = row_height();
    painter.fillRect(area, palette().button());
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.setFont(font());
    const int first = top_row() + std::max(0, area.top()) / height;
    const int last = std::min(lines_.rowCount() - 1, top_row() + area.bottom() / height);
    for (int row = first; row <= last; ++row) {
        painter.drawText(QRect(0, (row - top_row()) * height, numbers_->width() - 5, height),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(row + 1));
    }
}

// The rows in view only: the line on the line in progress's colour or the selection's.
void ProgramListing::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int height = row_height();
    const int first = top_row() + std::max(0, area.top()) / height;
    const int last = std::min(lines_.rowCount() - 1, top_row() + area.bottom() / height);
    for (int row = first; row <= last; ++row) {
        const QModelIndex at = lines_.index(row, 0);
        const QRect box = visualRect(at);
        const bool selected = selectionModel()->isSelected(at);
        if (selected) {
            painter.fillRect(box, palette().highlight());
        } else if (const QVariant background = at.data(Qt::BackgroundRole); background.isValid()) {
            painter.fillRect(box, background.value<QColor>());
        }
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         at.data(Qt::DisplayRole).toString());
    }
}

void ProgramListing::Reload() {
    lines_.Reload();
    Refresh();
}

void ProgramListing::Refresh() {
    run_from_->setEnabled(!cnc_.Running());
    if (lines_.rowCount() != cnc_.st.PrgLineCount) {
        lines_.Reload();
    }
    const int line = cnc_.ListingLine();
    if (line == lines_.current()) {
        return;
    }
    lines_.SetCurrent(line);
    if (line >= 1) {
        const QModelIndex at = lines_.index(line - 1, 0);
        // Kept in view, in the middle once it has left it, so that the lines to come show too.
        const QRect where = visualRect(at);
        if (!viewport()->rect().contains(where)) {
            scrollTo(at, QAbstractItemView::PositionAtCenter);
        }
    }
}

} // namespace tamo::ui
