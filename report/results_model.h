#pragma once
// The grid `Wyniki` as a Qt table model over the report's ResultsTable: rows 1..n of the
// table are the view's rows, column 0 (the running number) is fixed, the others editable.
#include <QAbstractTableModel>
#include <QStringList>
#include <string>
#include <vector>

#include "report/results_table.h"

namespace report {

class ResultsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultsModel(ResultsTable& table, QObject* parent = nullptr);

  void setHeadings(const QStringList& headings);
  // The table's operations, told to the view as rows shown or hidden.
  void SpinEdit1Change(int n);
  void loadLines(const std::vector<std::string>& lines);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // Brackets a change of the table's row count with the view's insert/remove notices.
  template <class Change>
  void changeRows(Change change);

  ResultsTable& table_;
  QStringList headings_;
};

}  // namespace report
