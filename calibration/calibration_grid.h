#pragma once
// A string grid of the calibration panel: a view of one grid of the data set. Row 0 and
// column 0 are fixed heading cells that take neither the cursor nor keys; the other visible
// cells are edited in place, and every edit is written through to the data set. Tab and
// Shift+Tab go from editable cell to editable cell, row by row, and past the last (first)
// one on to the next (previous) control. Cells outside the visible size live only in the
// data set.
#include <QTableWidget>

#include "calibration/calibration_data.h"

namespace calibration {

class CalibrationGrid : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 16;

  // `columnWidths` gives the width of each visible column, heading column first.
  CalibrationGrid(QWidget* parent, const char* name, CalibrationData& data, Grid grid,
                  std::initializer_list<int> columnWidths);

  Grid grid() const { return grid_; }
  // Shows the data set's text of one cell (when it is visible) or of all visible cells.
  void showCell(int column, int row);
  void showAll();

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  // The editable cell before or after the current one in Tab order; invalid past the ends.
  QModelIndex tabNeighbour(bool forward) const;

  CalibrationData& data_;
  Grid grid_;
  bool showing_ = false;
};

}  // namespace calibration
