#include "calibration/calibration_data.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using calibration::CalibrationData;
using calibration::Edit;
using calibration::Grid;

TEST(CalibrationData, StoresAnyCellAndTellsTheListenerOfRealChangesOnly) {
  CalibrationData data;
  std::vector<CalibrationData::Change> changes;
  data.setListener([&](const CalibrationData::Change& c) { changes.push_back(c); });

  data.setCell(Grid::X, 1, 7, "0.2500");  // hidden cell
  data.setCell(Grid::Y, 40, -3, "far");
  data.setEdit(Edit::NR, "12345");
  data.setSwitch(7, true);
  EXPECT_EQ(data.cell(Grid::X, 1, 7), "0.2500");
  EXPECT_EQ(data.cell(Grid::Y, 40, -3), "far");
  EXPECT_EQ(data.cell(Grid::Z, 1, 7), "");
  EXPECT_EQ(data.text(calibration::Field{Edit::NR}), "12345");
  EXPECT_EQ(data.switchByte(), 0x80);
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].kind, CalibrationData::Change::CellText);
  EXPECT_EQ(changes[0].cell, (calibration::Cell{Grid::X, 1, 7}));

  // Writing what is already there, or "" into a cell never written, is no change.
  data.setCell(Grid::X, 1, 7, "0.2500");
  data.setCell(Grid::KFILTR, 1, 1, "");
  data.setEdit(Edit::NR, "12345");
  data.setSwitch(7, true);
  data.setSwitch(9, true);  // no such box
  EXPECT_EQ(changes.size(), 4u);

  data.setSwitchByte(0x81);
  EXPECT_TRUE(data.switchOn(0));
  EXPECT_TRUE(data.switchOn(7));
  EXPECT_EQ(changes.size(), 5u);
}

TEST(CalibrationData, PlaceholdersAndHeadings) {
  CalibrationData data;
  calibration::MarkPlaceholderCells(data);
  calibration::WriteGridHeadings(data);
  for (Grid g : {Grid::X, Grid::Y, Grid::Z}) {
    for (int column = 1; column <= 3; ++column) {
      EXPECT_EQ(data.cell(g, column, 2), "-");
      EXPECT_EQ(data.cell(g, column, 4), "-");
    }
    EXPECT_EQ(data.cell(g, 2, 7), "-");
    EXPECT_EQ(data.cell(g, 2, 8), "-");
    EXPECT_EQ(data.cell(g, 1, 7), "");
    EXPECT_EQ(data.cell(g, 1, 8), "");
    EXPECT_EQ(data.cell(g, 0, 0), "Mod");
    EXPECT_EQ(data.cell(g, 0, 6), "Offset");
  }
  EXPECT_EQ(data.cell(Grid::KFILTR, 0, 0), "FILTR");
  EXPECT_EQ(data.cell(Grid::KFILTR, 0, 4), "I ON");
  EXPECT_EQ(data.cell(Grid::KFILTR, 2, 0), "AC");
  EXPECT_EQ(data.cell(Grid::S_Faza, 1, 0), "Faza");
  EXPECT_EQ(data.cell(Grid::S_Faza, 0, 3), "Z");
  EXPECT_EQ(data.cell(Grid::S_Faza, 0, 4), "");
}

}  // namespace
