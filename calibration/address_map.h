#pragma once
// The instrument's calibration memory as the program uses it: which address each readback
// word comes from (CalibrationAddressTable) and where, how wide and how encoded each panel
// field is written by the upload (CalibrationWrites). Constant tables; nothing changes them.
#include <array>
#include <cstdint>

#include "calibration/calibration_data.h"

namespace calibration {

inline constexpr int kCalibrationWordCount = 74;

// Entry k (1..74) is the instrument address of readback word k, in reading order; entry 0
// is unused so that the table is indexed as the words are.
inline constexpr std::array<std::uint8_t, kCalibrationWordCount + 1> CalibrationAddressTable = {
    0,                                                           // unused
    0,   4,   8,   12,  16,  20,  24,                            // 1..7
    32,  36,  40,                                                // 8..10
    48,  52,  56,  60,  64,  68,  72,                            // 11..17
    80,  84,  88,                                                // 18..20
    96,  100, 104, 108, 112, 116, 120,                           // 21..27
    128, 132, 136,                                               // 28..30
    10,  14,  26,  42,  58,  62,  74,  90,  106, 110, 122, 138,  // 31..42
    168, 170, 172,                                               // 43..45
    28,  29,  30,  31,                                           // 46..49
    124, 126, 94,  93,                                           // 50..53
    76,  78,  92,                                                // 54..56
    144, 146, 148, 150, 152, 154, 156, 158, 160, 162, 164, 166,  // 57..68
    174, 176, 178, 192, 194, 180};                               // 69..74

// The upload's field groups, in upload order. Validation and the rule whether a failure
// ends the rest of the group work group by group.
enum class UploadGroup : std::uint8_t {
  Gains,
  Offsets,
  Thresholds,
  TimeCoefficients,
  Phase,
  Temperature,
  Switches,
  Potentiometer,
  ProbeNumber,
  FieldCorrection,
  SaveEeprom,  // the "S" command and the wait after it
};
inline constexpr int kUploadGroupCount = 11;

// How a value goes out: an 8-byte word write whose failure message shows the value signed
// (WriteWord) or unsigned (WriteWordUnsigned), a 7-byte byte write, or the probe number's
// 10-byte four-digit write to 76 followed by the fifth digit as a byte write to 92.
enum class Writer : std::uint8_t { WriteWord, WriteWordUnsigned, WriteByte, WriteProbeNumber };

// How the field's text becomes the bits sent.
enum class Encoding : std::uint8_t {
  Gain,                    // real in (-1, 1), x * 32768
  TimeCoefficient,         // real in (-1, 1), 0 for 0, else 32768 * e^(-x)
  TemperatureCoefficient,  // real in (-1, 1), x * 32767
  FieldCorrection,         // real in (-0.00001, 0.00001), 0 for 0, else x * 2^31
  Integer,                 // integer that fits the writer's width
  SwitchByte,              // the switch boxes' byte (no text)
  ProbeDigits,             // five digit characters
};

struct CalibrationWrite {
  UploadGroup group;
  Field field;  // the text that is written (not read for the switch byte)
  std::uint8_t address;
  Writer writer;
  Encoding encoding;
};

inline constexpr std::uint8_t kProbeNumberAddress = 76;      // digits 1..4
inline constexpr std::uint8_t kProbeNumberLastAddress = 92;  // digit 5
inline constexpr int kCalibrationWriteCount = 47;            // 46 parameters and the probe number

// Every written panel field in upload order (a field's row appears once; the probe number
// row stands for its two frames).
extern const std::array<CalibrationWrite, kCalibrationWriteCount> CalibrationWrites;

}  // namespace calibration
