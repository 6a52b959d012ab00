#pragma once

#include <QAbstractItemView>
#include <QAbstractTableModel>

#include <functional>

class QAction;
class QPainter;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// The loaded program's lines as a model over the program buffer: a row's text is read from the
// buffer when the view paints the row, so a program of a million lines costs nothing at Open.
class ProgramLines final : public QAbstractTableModel {
public:
    explicit ProgramLines(const tamo::Cnc& cnc, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    // The buffer holds another program (or none): every row afresh.
    void Reload();
    // The line shown highlighted, 1 for the first; 0 for none.
    void SetCurrent(int line);
    [[nodiscard]] int current() const { return current_; }

private:
    const tamo::Cnc& cnc_;
    int rows_ = 0;
    int current_ = 0;
};

// The program listing beside the toolpath view: line numbers, the lines, and the line in progress
// (or the one the step controls show) highlighted and kept in view; a finding of the program check
// that the operator chooses is shown selected; its context menu runs the program from a line. It
// never takes the keyboard
// focus, so that a key pressed during a run still reaches the view and stops the machine.
//
// Every row is one line of text high and the line numbers are painted beside the rows, so the view
// keeps nothing a row: a table's row header would keep a size for each of a million rows.
class ProgramListing final : public QAbstractItemView {
public:
    explicit ProgramListing(const tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Reloads when the program's line count changed, then follows the core's line.
    void Refresh();
    void Reload();
    // A line the operator asked for (a finding of the program check): selected and in view.
    void Reveal(int line);

    [[nodiscard]] const ProgramLines& lines() const { return lines_; }
    // "Run from here" on the selected line, 1 for the first.
    void set_on_run_from(std::function<void(int)> run) { on_run_from_ = std::move(run); }

    [[nodiscard]] QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    [[nodiscard]] QModelIndex indexAt(const QPoint& point) const override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] int horizontalOffset() const override { return 0; }
    [[nodiscard]] int verticalOffset() const override;
    [[nodiscard]] bool isIndexHidden(const QModelIndex& /*index*/) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    [[nodiscard]] QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    // The scroll bar counts rows, not pixels: a scroll paints the rows and their numbers afresh.
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] int row_height() const;
    [[nodiscard]] int rows_shown() const; // whole rows the viewport holds
    [[nodiscard]] int top_row() const;
    [[nodiscard]] int gutter_width() const; // the line numbers' column
    void PaintNumbers(QPainter& painter, const QRect& area) const;

    class Numbers;
    const tamo::Cnc& cnc_;
    ProgramLines lines_;
    Numbers* numbers_ = nullptr;
    QAction* run_from_ = nullptr;
    std::function<void(int)> on_run_from_;
};

} // namespace tamo::ui
