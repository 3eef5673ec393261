#include "calibration/calibration_grid.h"

#include <QHeaderView>

namespace calibration {

namespace {
const QColor kHeadingFace(212, 208, 200);
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
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(kHeadingFace);
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
