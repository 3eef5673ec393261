#include "calibration/calibration_data.h"

namespace calibration {

namespace {
const std::string kEmpty;

int index(Grid g) {
  return static_cast<int>(g);
}
int index(Edit e) {
  return static_cast<int>(e);
}
}  // namespace

GridSize visibleSize(Grid grid) {
  return grid == Grid::S_Faza ? GridSize{2, 4} : GridSize{3, 7};
}

const char* gridName(Grid grid) {
  static const char* const names[kGridCount] = {"X", "Y", "Z", "KFILTR", "S_Faza"};
  return names[index(grid)];
}

const char* editName(Edit edit) {
  static const char* const names[kEditCount] = {
      "Wtemp", "OTemp", "WKor", "OKor", "_uiKorekcjaPolowa", "_uiPotencjometr", "NR"};
  return names[index(edit)];
}

const std::string& CalibrationData::cell(Grid grid, int column, int row) const {
  const auto& cells = cells_[index(grid)];
  const auto it = cells.find({column, row});
  return it == cells.end() ? kEmpty : it->second;
}

void CalibrationData::setCell(Grid grid, int column, int row, std::string_view text) {
  auto& cells = cells_[index(grid)];
  const auto key = std::make_pair(column, row);
  const auto it = cells.find(key);
  if (it == cells.end()) {
    if (text.empty()) return;
    cells.emplace(key, std::string(text));
  } else {
    if (it->second == text) return;
    it->second.assign(text);
  }
  Change c{Change::CellText};
  c.cell = {grid, column, row};
  notify(c);
}

const std::string& CalibrationData::edit(Edit e) const {
  return edits_[index(e)];
}

void CalibrationData::setEdit(Edit e, std::string_view text) {
  std::string& t = edits_[index(e)];
  if (t == text) return;
  t.assign(text);
  Change c{Change::EditText};
  c.edit = e;
  notify(c);
}

const std::string& CalibrationData::text(const Field& field) const {
  if (const Cell* c = std::get_if<Cell>(&field)) return cell(c->grid, c->column, c->row);
  return edit(std::get<Edit>(field));
}

void CalibrationData::setText(const Field& field, std::string_view text) {
  if (const Cell* c = std::get_if<Cell>(&field)) {
    setCell(c->grid, c->column, c->row, text);
  } else {
    setEdit(std::get<Edit>(field), text);
  }
}

bool CalibrationData::switchOn(int bit) const {
  return bit >= 0 && bit < kSwitchCount && switches_[bit];
}

void CalibrationData::setSwitch(int bit, bool on) {
  if (bit < 0 || bit >= kSwitchCount || switches_[bit] == on) return;
  switches_[bit] = on;
  Change c{Change::SwitchState};
  c.bit = bit;
  notify(c);
}

std::uint8_t CalibrationData::switchByte() const {
  std::uint8_t byte = 0;
  for (int bit = 0; bit < kSwitchCount; ++bit)
    if (switches_[bit]) byte = static_cast<std::uint8_t>(byte | (1u << bit));
  return byte;
}

void CalibrationData::setSwitchByte(std::uint8_t byte) {
  for (int bit = 0; bit < kSwitchCount; ++bit) setSwitch(bit, ((byte >> bit) & 1u) != 0);
}

void CalibrationData::notify(const Change& change) const {
  if (listener_) listener_(change);
}

void MarkPlaceholderCells(CalibrationData& data) {
  for (Grid g : {Grid::X, Grid::Y, Grid::Z}) {
    for (int column = 1; column <= 3; ++column) {
      data.setCell(g, column, 2, "-");
      data.setCell(g, column, 4, "-");
    }
    data.setCell(g, 2, 7, "-");
    data.setCell(g, 2, 8, "-");
  }
}

void WriteGridHeadings(CalibrationData& data) {
  auto row0 = [&data](Grid g, std::initializer_list<const char*> texts) {
    int column = 0;
    for (const char* t : texts) data.setCell(g, column++, 0, t);
  };
  auto column0 = [&data](Grid g, std::initializer_list<const char*> texts) {
    int row = 1;
    for (const char* t : texts) data.setCell(g, 0, row++, t);
  };
  row0(Grid::KFILTR, {"FILTR", "DC", "AC"});
  column0(Grid::KFILTR, {"Próg 1", "Próg 2", "I OFF", "I ON", "II OFF", "II ON"});
  for (Grid g : {Grid::X, Grid::Y, Grid::Z}) {
    row0(g, {"Mod", "DC", "AC"});
    column0(g, {"Wzmocnienie", "Offset", "Wzmocnienie", "Offset", "Wzmocnienie", "Offset"});
  }
  row0(Grid::S_Faza, {"Oś", "Faza"});
  column0(Grid::S_Faza, {"X", "Y", "Z"});
}

}  // namespace calibration
