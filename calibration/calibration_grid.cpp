#include "calibration/calibration_grid.h"

#include <QFocusEvent>
#include <QHeaderView>

namespace calibration {

namespace {
const QColor kHeadingFace(212, 208, 200);
const QColor kHeadingText(0, 0, 0);
}  // namespace

CalibrationGrid::CalibrationGrid(QWidget* parent, const char* name, CalibrationData& data,
                                 Grid grid, std::initializer_list<int> columnWidths)
    : QTableWidget(parent), data_(data), grid_(grid) {
  setObjectName(QString::fromLatin1(name));
  const GridSize size = visibleSize(grid);
  setColumnCount(size.columns);
  setRowCount(size.rows);
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // The editor comes up as soon as a cell is entered, as with a grid whose editor is
  // always shown.
  setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  QFont f = font();
  f.setPixelSize(10);  // "Wzmocnienie" fits the 80-pixel heading column
  setFont(f);

  int width = 0;
  int column = 0;
  for (int w : columnWidths) {
    setColumnWidth(column++, w);
    width += w;
  }
  for (int r = 0; r < size.rows; ++r) setRowHeight(r, kRowHeight);
  const int frame = 2 * frameWidth();
  setFixedSize(width + frame, size.rows * kRowHeight + frame);

  for (int r = 0; r < size.rows; ++r) {
    for (int c = 0; c < size.columns; ++c) {
      auto* item = new QTableWidgetItem;
      if (r == 0 || c == 0) {
        // Fixed: never the current cell, so a key typed cannot go to a heading (where it
        // would be dropped). Its own colours keep it from being drawn greyed out.
        item->setFlags(Qt::NoItemFlags);
        item->setBackground(kHeadingFace);
        item->setForeground(kHeadingText);
      }
      setItem(r, c, item);
    }
  }
  showAll();
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (showing_) return;
    data_.setCell(grid_, item->column(), item->row(), item->text().toStdString());
  });
}

QModelIndex CalibrationGrid::tabNeighbour(bool forward) const {
  const int width = columnCount() - 1;  // editable columns 1..width, rows 1..rowCount()-1
  const int count = width * (rowCount() - 1);
  const QModelIndex current = currentIndex();
  int k = -1;  // place of the current cell among the editable ones
  if (current.isValid() && current.row() > 0 && current.column() > 0)
    k = (current.row() - 1) * width + current.column() - 1;
  const int next = k < 0 ? (forward ? 0 : count - 1) : k + (forward ? 1 : -1);
  if (next < 0 || next >= count) return {};
  return model()->index(next / width + 1, next % width + 1);
}

QModelIndex CalibrationGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveNext || action == MovePrevious) return tabNeighbour(action == MoveNext);
  return QTableWidget::moveCursor(action, modifiers);
}

void CalibrationGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // Tab in the last cell (Shift+Tab in the first) leaves the grid, as it does from any
  // other control; the text typed has been committed before the editor closes.
  const bool tab = hint == QAbstractItemDelegate::EditNextItem;
  const bool leaving =
      (tab || hint == QAbstractItemDelegate::EditPreviousItem) && !tabNeighbour(tab).isValid();
  QTableWidget::closeEditor(editor, leaving ? QAbstractItemDelegate::NoHint : hint);
  if (leaving) focusNextPrevChild(tab);
}

void CalibrationGrid::focusInEvent(QFocusEvent* event) {
  // Tabbed into, the grid starts at its first editable cell; Shift+Tabbed into, at its last.
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    const bool forward = event->reason() == Qt::TabFocusReason;
    const int row = forward ? 1 : rowCount() - 1;
    const int column = forward ? 1 : columnCount() - 1;
    if (currentRow() != row || currentColumn() != column) {
      setCurrentCell(row, column);  // opens its editor
    } else if (state() != EditingState) {
      edit(currentIndex());
    }
  }
  QTableWidget::focusInEvent(event);
}

void CalibrationGrid::showCell(int column, int row) {
  if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount()) return;
  QTableWidgetItem* it = item(row, column);
  const QString text = QString::fromStdString(data_.cell(grid_, column, row));
  if (it->text() == text) return;
  showing_ = true;
  it->setText(text);
  showing_ = false;
}

void CalibrationGrid::showAll() {
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c) showCell(c, r);
}

}  // namespace calibration
