#include "calibration/address_map.h"

namespace calibration {

namespace {
using E = Encoding;
using G = UploadGroup;
using W = Writer;

constexpr Field cell(Grid g, int column, int row) {
  return Cell{g, column, row};
}
}  // namespace

const std::array<CalibrationWrite, kCalibrationWriteCount> CalibrationWrites = {{
    // Gains: DC ranges 1..3 in column 1, the AC column's in the axis's second block.
    {G::Gains, cell(Grid::X, 1, 1), 0, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::X, 1, 3), 4, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::X, 1, 5), 8, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::X, 2, 1), 16, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::X, 2, 3), 20, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::X, 2, 5), 24, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 1, 1), 48, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 1, 3), 52, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 1, 5), 56, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 2, 1), 64, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 2, 3), 68, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Y, 2, 5), 72, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 1, 1), 96, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 1, 3), 100, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 1, 5), 104, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 2, 1), 112, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 2, 3), 116, W::WriteWord, E::Gain},
    {G::Gains, cell(Grid::Z, 2, 5), 120, W::WriteWord, E::Gain},
    // Offsets: the AC column's goes to address 42 of the axis.
    {G::Offsets, cell(Grid::X, 1, 6), 10, W::WriteWord, E::Integer},
    {G::Offsets, cell(Grid::X, 2, 6), 42, W::WriteWord, E::Integer},
    {G::Offsets, cell(Grid::Y, 1, 6), 58, W::WriteWord, E::Integer},
    {G::Offsets, cell(Grid::Y, 2, 6), 90, W::WriteWord, E::Integer},
    {G::Offsets, cell(Grid::Z, 1, 6), 106, W::WriteWord, E::Integer},
    {G::Offsets, cell(Grid::Z, 2, 6), 138, W::WriteWord, E::Integer},
    // Filter thresholds 1 and 2, DC then AC.
    {G::Thresholds, cell(Grid::KFILTR, 1, 1), 168, W::WriteWordUnsigned, E::Integer},
    {G::Thresholds, cell(Grid::KFILTR, 2, 1), 172, W::WriteWordUnsigned, E::Integer},
    {G::Thresholds, cell(Grid::KFILTR, 1, 2), 174, W::WriteWordUnsigned, E::Integer},
    {G::Thresholds, cell(Grid::KFILTR, 2, 2), 178, W::WriteWordUnsigned, E::Integer},
    // Filter time coefficients I OFF, I ON, II OFF, II ON, DC then AC.
    {G::TimeCoefficients, cell(Grid::KFILTR, 1, 3), 144, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 1, 4), 146, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 1, 5), 148, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 1, 6), 150, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 2, 3), 160, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 2, 4), 162, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 2, 5), 164, W::WriteWord, E::TimeCoefficient},
    {G::TimeCoefficients, cell(Grid::KFILTR, 2, 6), 166, W::WriteWord, E::TimeCoefficient},
    // Phase of X, Y, Z; the hidden fourth phase is never written.
    {G::Phase, cell(Grid::S_Faza, 1, 1), 28, W::WriteByte, E::Integer},
    {G::Phase, cell(Grid::S_Faza, 1, 2), 29, W::WriteByte, E::Integer},
    {G::Phase, cell(Grid::S_Faza, 1, 3), 30, W::WriteByte, E::Integer},
    // Thermometer and temperature correction.
    {G::Temperature, Edit::Wtemp, 124, W::WriteWordUnsigned, E::Integer},
    {G::Temperature, Edit::OTemp, 126, W::WriteWord, E::Integer},
    {G::Temperature, Edit::WKor, 94, W::WriteWord, E::TemperatureCoefficient},
    {G::Temperature, Edit::OKor, 93, W::WriteByte, E::Integer},
    // The switch byte is always sent; its row's field is not read.
    {G::Switches, Edit::Wtemp, 192, W::WriteWordUnsigned, E::SwitchByte},
    {G::Potentiometer, Edit::Potencjometr, 194, W::WriteByte, E::Integer},
    {G::ProbeNumber, Edit::NR, kProbeNumberAddress, W::WriteProbeNumber, E::ProbeDigits},
    {G::FieldCorrection, Edit::KorekcjaPolowa, 180, W::WriteWord, E::FieldCorrection},
}};

}  // namespace calibration
