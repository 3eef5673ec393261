#pragma once
// The calibration data set: the texts of the calibration panel's grid cells and edits and
// the states of its switch boxes, hidden cells included. The panel's widgets are views of
// this object and write through to it; the upload, readback, calibration file and card
// read and write it, never widgets. Toolkit-free; texts are UTF-8.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace calibration {

// The panel's grids: the axis grids X, Y, Z, the filter grid KFILTR and the phase grid.
enum class Grid : std::uint8_t { X, Y, Z, KFILTR, S_Faza };
inline constexpr int kGridCount = 5;
// Visible size (columns × rows, heading column and row included).
struct GridSize {
  int columns;
  int rows;
};
GridSize visibleSize(Grid grid);
const char* gridName(Grid grid);  // "X", "Y", "Z", "KFILTR", "S_Faza"

// The panel's edits (`_uiKorekcjaPolowa` and `_uiPotencjometr` without their prefix).
enum class Edit : std::uint8_t { Wtemp, OTemp, WKor, OKor, KorekcjaPolowa, Potencjometr, NR };
inline constexpr int kEditCount = 7;
const char* editName(Edit edit);  // "Wtemp", ..., "_uiKorekcjaPolowa", "_uiPotencjometr", "NR"

// The analog switch boxes in bit order 0..7.
inline constexpr int kSwitchCount = 8;
inline constexpr const char* kSwitchCaptions[kSwitchCount] = {"SS1", "SS2",  "SS3",  "SS4",
                                                              "SS9", "SS10", "SS11", "SS12"};

// One grid cell, (column, row) both counted from 0 as on the panel.
struct Cell {
  Grid grid;
  int column;
  int row;
  bool operator==(const Cell&) const = default;
};
// A text field of the data set: a cell or an edit.
using Field = std::variant<Cell, Edit>;

class CalibrationData {
 public:
  // What a change touched, for the views.
  struct Change {
    enum Kind { CellText, EditText, SwitchState } kind;
    Cell cell{Grid::X, 0, 0};
    Edit edit = Edit::Wtemp;
    int bit = 0;
  };
  using Listener = std::function<void(const Change&)>;

  // Any (column, row) may be written, also outside the visible size and with negative
  // numbers; a cell never written reads as "".
  const std::string& cell(Grid grid, int column, int row) const;
  void setCell(Grid grid, int column, int row, std::string_view text);
  const std::string& edit(Edit edit) const;
  void setEdit(Edit edit, std::string_view text);
  const std::string& text(const Field& field) const;
  void setText(const Field& field, std::string_view text);

  bool switchOn(int bit) const;  // false outside 0..7
  void setSwitch(int bit, bool on);
  // The switch byte: bit k set when box k is checked.
  std::uint8_t switchByte() const;
  void setSwitchByte(std::uint8_t byte);

  // Called after every change that alters a text or a state (an equal value is no
  // change). One listener: the panel.
  void setListener(Listener listener) { listener_ = std::move(listener); }

 private:
  void notify(const Change& change) const;

  std::map<std::pair<int, int>, std::string> cells_[kGridCount];
  std::string edits_[kEditCount];
  bool switches_[kSwitchCount] = {};
  Listener listener_;
};

// Writes the placeholder "-" into (column 1..3, row 2) and (column 1..3, row 4) and into the
// hidden cells (2, 7) and (2, 8) of each axis grid X, Y, Z.
void MarkPlaceholderCells(CalibrationData& data);
// Writes the heading row 0 and heading column 0 of KFILTR, X, Y, Z and S_Faza (Polish,
// never translated).
void WriteGridHeadings(CalibrationData& data);

}  // namespace calibration
