#pragma once

#include <QColor>
#include <QHash>
#include <QTableWidget>
#include <functional>
#include <vector>

namespace meldrit::app {

// The flex grid of the panels: rows and columns counted with the fixed ones, a current cell that
// a click moves, and per-cell text, alignment and background. Row 0 / column 0 are fixed when
// set so (drawn grey, not selectable). Widths are in twips.
class FlexGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit FlexGrid(QWidget* parent = nullptr);

  int rows() const { return rowCount(); }
  void setRows(int rows);
  int cols() const { return columnCount(); }
  void setCols(int cols);
  void setFixedRows(int count);
  void setFixedCols(int count);

  QString text(int row, int col) const;
  void setText(int row, int col, const QString& text);
  void setCellAlignment(int row, int col, Qt::Alignment alignment);
  Qt::Alignment cellAlignment(int row, int col) const;
  QColor cellBackground(int row, int col) const;
  void setCellBackground(int row, int col, const QColor& colour);

  void setColWidthTwips(int col, int width);
  int colWidthTwips(int col) const;
  int widthTwips() const;

  // The current cell (the one last clicked, or set by the program).
  int row() const { return row_; }
  int col() const { return col_; }
  void setCurrentCell(int row, int col);

  // What a mouse click does: move the current cell there, then emit clicked() (or, for a double
  // click, clicked() then doubleClickedCell()). Tests call these directly.
  void clickCell(int row, int col);
  void doubleClickCell(int row, int col);

  // Everything a panel may change: size, cells, column widths and the current cell. An operation
  // that is cancelled puts back what it found.
  struct Contents {
    struct Cell {
      bool present = false;
      QString text;
      int alignment = 0;
      QBrush background;
    };
    int rows = 0;
    int cols = 0;
    std::vector<Cell> cells;  // row by row
    std::vector<int> widths;  // pixels
    QHash<int, int> width_twips;
    int row = 0;
    int col = 0;
  };
  Contents contents() const;
  void setContents(const Contents& contents);

  // Ctrl+V in `box`, the box that takes the keyboard for the grid's cells, pastes into the grid
  // too while `for_grid` says the box stands for the current cell.
  void takePasteFrom(QWidget* box, std::function<bool()> for_grid);

 signals:
  void clicked();
  void doubleClickedCell();
  // Ctrl+V or the "Paste" context action: the panel fills its cells from the clipboard.
  void pasteRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTableWidgetItem* itemAt(int row, int col);
  void paintFixed();

  int fixed_rows_ = 0;
  int fixed_cols_ = 0;
  QHash<int, int> width_twips_;
  int row_ = 0;
  int col_ = 0;
  QHash<QObject*, std::function<bool()>> paste_boxes_;
};

}  // namespace meldrit::app
