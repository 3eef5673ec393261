#pragma once
// Calibration files (HVC): the texts of the calibration panel, one per line in a fixed order
// of 58 lines, CR LF, in Windows-1250 (the Polish code page of the systems such files come
// from). Not validated on saving or opening; that is the upload's business. Toolkit-free.
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "calibration/calibration_data.h"

namespace calibration {

inline constexpr const char* kCalibrationFileFilter = "Pliki kalibracyjne Halvex 2.2|*.HVC";
inline constexpr const char* kCalibrationFileDefaultExtension = "*.HVC";
// Shown when a save fails (the previous file is then left as it was).
inline constexpr const char* kCalibrationSaveFailedMessage =
    "Uwaga! Nastąpił jakiś (?) błąd w połączeniu.";
// Shown when an open fails (fields read before the failure keep their new texts).
inline constexpr const char* kCalibrationOpenFailedMessage = "Błąd odczytu pliku!";

inline constexpr int kCalibrationFileLineCount = 58;
// A line longer than this (no calibration file has one) is cut here; the rest of that line
// is skipped, so a file that is not a calibration file can neither exhaust memory nor spill
// one line into the next field.
inline constexpr std::size_t kMaxCalibrationLineBytes = 4096;

// Entry k − 1 is the field of line k: lines 1..36 the axis grids' columns 1..2, rows 1..6
// (line = 18·(column − 1) + 3·(row − 1) + axis), 37..40 the phases with the hidden fourth,
// then NR, Wtemp, OTemp, WKor, OKor, threshold 1 DC/AC, the time coefficients DC and AC,
// threshold 2 DC/AC, and line 58 the field correction.
const std::array<Field, kCalibrationFileLineCount>& CalibrationFileFields();

// UTF-8 ↔ Windows-1250 through iconv. A character without a Windows-1250 form (and a byte
// that is no UTF-8) becomes "?"; so does one of the five bytes Windows-1250 leaves undefined.
// False (and `out` undefined) only when the system has no such converter.
bool Utf8ToCp1250(std::string_view utf8, std::string& out);
bool Cp1250ToUtf8(std::string_view cp1250, std::string& out);

// The 58 lines of the data set as they go on disk. A line break inside a text is written
// as a blank, so that the text cannot split into two lines and shift the fields after it.
// False only without a converter.
bool CalibrationFileBytes(const CalibrationData& data, std::string& bytes);

// Save (`ZapiszClick` after the dialog): MarkPlaceholderCells, then the 58 lines written
// atomically (temporary file in the same folder, flushed, renamed over the target). False on
// any failure; the previous file is then untouched.
bool SaveCalibrationFile(const std::filesystem::path& path, CalibrationData& data);

// Open (`OtworzClick` after the dialog): lines 1..57 into their fields in order (a line
// missing because the file ends early gives ""), line 58 only when the file goes on after
// line 57, further lines ignored. Line ends CR LF, LF or CR. Only regular files are read.
// False on a failure to open or read; the fields read before it keep their new texts.
bool OpenCalibrationFile(const std::filesystem::path& path, CalibrationData& data);
// The same reading rules on bytes in memory (no failure can occur but a missing converter).
bool LoadCalibrationFileBytes(std::string_view bytes, CalibrationData& data);

}  // namespace calibration
