#include "ui/program_listing.h"

#include "interpreter/cnc.h"

#include <QAction>
#include <QColor>
#include <QFontDatabase>
#include <QHeaderView>

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

ProgramListing::ProgramListing(const tamo::Cnc& cnc, QWidget* parent)
    : QTableView(parent), cnc_(cnc), lines_(cnc, this) {
    setObjectName(QStringLiteral("ProgramListing"));
    setModel(&lines_);
    setFocusPolicy(Qt::NoFocus);
    // A line asked for (Reveal) shows selected; the line in progress keeps a colour of its own.
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    // Every row as high as one line of text, fixed: the view then never measures a row, which is
    // what keeps a million of them cheap. The row headers are the line numbers.
    QHeaderView* numbers = verticalHeader();
    numbers->setSectionResizeMode(QHeaderView::Fixed);
    numbers->setDefaultSectionSize(fontMetrics().height() + 2);
    numbers->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

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
