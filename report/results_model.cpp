#include "report/results_model.h"

#include <QApplication>
#include <QPalette>

namespace report {

ResultsModel::ResultsModel(ResultsTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void ResultsModel::setHeadings(const QStringList& headings) {
  headings_ = headings;
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, kResultColumns - 1);
}

template <class Change>
void ResultsModel::changeRows(Change change) {
  ResultsTable after = table_;
  change(after);
  const int before = table_.resultCount();
  const int now = after.resultCount();
  if (now > before) {
    beginInsertRows({}, before, now - 1);
    table_ = std::move(after);
    endInsertRows();
  } else if (now < before) {
    beginRemoveRows({}, now, before - 1);
    table_ = std::move(after);
    endRemoveRows();
  } else {
    table_ = std::move(after);
  }
  if (now > 0) Q_EMIT dataChanged(index(0, 0), index(now - 1, kResultColumns - 1));
}

void ResultsModel::SpinEdit1Change(int n) {
  changeRows([n](ResultsTable& t) { t.SpinEdit1Change(n); });
}

void ResultsModel::loadLines(const std::vector<std::string>& lines) {
  changeRows([&lines](ResultsTable& t) { t.loadLines(lines); });
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.resultCount();
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultColumns;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    return QString::fromStdString(table_.cell(index.column(), index.row() + 1));
  }
  // The fixed column looks like the heading row.
  if (role == Qt::BackgroundRole && index.column() == 0) {
    return QApplication::palette().button();
  }
  return {};
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.column() == 0) return false;
  table_.setCell(index.column(), index.row() + 1, value.toString().toStdString());
  Q_EMIT dataChanged(index, index);
  return true;
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (index.column() == 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < headings_.size()) {
    return headings_[section];
  }
  return {};
}

}  // namespace report
