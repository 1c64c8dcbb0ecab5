#include "app/flex_grid.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>

#include "app/job_panel.h"

namespace meldrit::app {

namespace {
const QColor kFixedColour(0xC0, 0xC0, 0xC0);
}

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  verticalHeader()->setDefaultSectionSize(18);
  connect(this, &QTableWidget::cellClicked, this, [this](int r, int c) { clickCell(r, c); });
  connect(this, &QTableWidget::cellDoubleClicked, this, [this](int r, int c) {
    setCurrentCell(r, c);
    emit doubleClickedCell();
  });
  auto* paste = new QAction(QStringLiteral("Paste"), this);
  paste->setObjectName(QStringLiteral("pasteList"));
  addAction(paste);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(paste, &QAction::triggered, this, &FlexGrid::pasteRequested);
}

void FlexGrid::takePasteFrom(QWidget* box, std::function<bool()> for_grid) {
  paste_boxes_.insert(box, std::move(for_grid));
  box->installEventFilter(this);
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    emit pasteRequested();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event) {
  // The box would paste the whole list into one cell; the shortcut override keeps it from
  // taking Ctrl+V as its own.
  const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
  if (key && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
    const auto box = paste_boxes_.constFind(watched);
    if (box != paste_boxes_.constEnd() && (*box)()) {
      if (event->type() == QEvent::KeyPress) emit pasteRequested();
      event->accept();
      return true;
    }
  }
  return QTableWidget::eventFilter(watched, event);
}

FlexGrid::Contents FlexGrid::contents() const {
  Contents saved;
  saved.rows = rowCount();
  saved.cols = columnCount();
  for (int r = 0; r < saved.rows; ++r) {
    for (int c = 0; c < saved.cols; ++c) {
      Contents::Cell cell;
      if (const QTableWidgetItem* held = item(r, c)) {
        cell = {true, held->text(), held->textAlignment(), held->background()};
      }
      saved.cells.push_back(cell);
    }
  }
  for (int c = 0; c < saved.cols; ++c) saved.widths.push_back(columnWidth(c));
  saved.width_twips = width_twips_;
  saved.row = row_;
  saved.col = col_;
  return saved;
}

void FlexGrid::setContents(const Contents& saved) {
  clearContents();
  setRowCount(saved.rows);
  setColumnCount(saved.cols);
  for (int r = 0; r < saved.rows; ++r) {
    for (int c = 0; c < saved.cols; ++c) {
      const Contents::Cell& cell = saved.cells[static_cast<std::size_t>(r * saved.cols + c)];
      if (!cell.present) continue;
      QTableWidgetItem* held = itemAt(r, c);
      held->setText(cell.text);
      held->setTextAlignment(Qt::Alignment(cell.alignment));
      held->setBackground(cell.background);
    }
  }
  paintFixed();
  for (int c = 0; c < saved.cols; ++c) setColumnWidth(c, saved.widths[static_cast<std::size_t>(c)]);
  width_twips_ = saved.width_twips;
  setCurrentCell(saved.row, saved.col);
}

void FlexGrid::setRows(int rows) {
  setRowCount(rows < 0 ? 0 : rows);
  paintFixed();
}

void FlexGrid::setCols(int cols) {
  setColumnCount(cols < 0 ? 0 : cols);
  paintFixed();
}

void FlexGrid::setFixedRows(int count) {
  fixed_rows_ = count;
  paintFixed();
}

void FlexGrid::setFixedCols(int count) {
  fixed_cols_ = count;
  paintFixed();
}

QTableWidgetItem* FlexGrid::itemAt(int row, int col) {
  if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return nullptr;
  QTableWidgetItem* cell = item(row, col);
  if (!cell) {
    cell = new QTableWidgetItem;
    if (row < fixed_rows_ || col < fixed_cols_) {
      cell->setBackground(kFixedColour);
      cell->setFlags(Qt::ItemIsEnabled);
    }
    setItem(row, col, cell);
  }
  return cell;
}

void FlexGrid::paintFixed() {
  for (int r = 0; r < rowCount(); ++r) {
    for (int c = 0; c < columnCount(); ++c) {
      if (r < fixed_rows_ || c < fixed_cols_) {
        QTableWidgetItem* cell = itemAt(r, c);
        cell->setBackground(kFixedColour);
        cell->setFlags(Qt::ItemIsEnabled);
      }
    }
  }
}

QString FlexGrid::text(int row, int col) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? cell->text() : QString();
}

void FlexGrid::setText(int row, int col, const QString& text) {
  if (QTableWidgetItem* cell = itemAt(row, col)) cell->setText(text);
}

void FlexGrid::setCellAlignment(int row, int col, Qt::Alignment alignment) {
  if (QTableWidgetItem* cell = itemAt(row, col)) cell->setTextAlignment(alignment);
}

Qt::Alignment FlexGrid::cellAlignment(int row, int col) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? Qt::Alignment(cell->textAlignment()) : Qt::Alignment();
}

QColor FlexGrid::cellBackground(int row, int col) const {
  const QTableWidgetItem* cell = item(row, col);
  if (!cell || cell->background().style() == Qt::NoBrush) return QColor(Qt::white);
  return cell->background().color();
}

void FlexGrid::setCellBackground(int row, int col, const QColor& colour) {
  if (QTableWidgetItem* cell = itemAt(row, col)) cell->setBackground(colour);
}

void FlexGrid::setColWidthTwips(int col, int width) {
  width_twips_[col] = width;
  setColumnWidth(col, twips(width));
}

// The width as the program set it, so that twips survive the rounding to pixels.
int FlexGrid::colWidthTwips(int col) const {
  return width_twips_.value(col, columnWidth(col) * 15);
}

int FlexGrid::widthTwips() const {
  return width() * 15;
}

void FlexGrid::setCurrentCell(int row, int col) {
  row_ = row;
  col_ = col;
  if (row >= 0 && col >= 0 && row < rowCount() && col < columnCount()) QTableWidget::setCurrentCell(row, col);
}

void FlexGrid::clickCell(int row, int col) {
  setCurrentCell(row, col);
  emit clicked();
}

void FlexGrid::doubleClickCell(int row, int col) {
  clickCell(row, col);
  emit doubleClickedCell();
}

}  // namespace meldrit::app
