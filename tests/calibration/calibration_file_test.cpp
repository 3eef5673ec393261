#include "calibration/calibration_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using calibration::CalibrationData;
using calibration::CalibrationFileFields;
using calibration::Cell;
using calibration::Edit;
using calibration::Field;
using calibration::Grid;

class CalibrationFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "halvex-hvc-XXXXXX").string();
    dir = ::mkdtemp(templ.data());
    file = dir / "probe.HVC";
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
      out.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
    return out;
  }
  // A file of lines "L1".."Ln", CR LF.
  static std::string numberedLines(int n) {
    std::string s;
    for (int k = 1; k <= n; ++k) s += "L" + std::to_string(k) + "\r\n";
    return s;
  }
  static std::string text(const CalibrationData& d, int line) {
    return d.text(CalibrationFileFields()[static_cast<std::size_t>(line - 1)]);
  }

  fs::path dir;
  fs::path file;
};

TEST_F(CalibrationFileTest, LineOrder) {
  using C = Cell;
  const auto& fields = CalibrationFileFields();
  // clang-format off
  const std::vector<std::pair<int, Field>> rows = {
      {1, C{Grid::X, 1, 1}},  {2, C{Grid::Y, 1, 1}},  {3, C{Grid::Z, 1, 1}},  {4, C{Grid::X, 1, 2}},
      {16, C{Grid::X, 1, 6}}, {18, C{Grid::Z, 1, 6}}, {19, C{Grid::X, 2, 1}}, {36, C{Grid::Z, 2, 6}},
      {37, C{Grid::S_Faza, 1, 1}}, {40, C{Grid::S_Faza, 1, 4}}, {41, Edit::NR}, {42, Edit::Wtemp},
      {43, Edit::OTemp}, {44, Edit::WKor}, {45, Edit::OKor}, {46, C{Grid::KFILTR, 1, 1}},
      {47, C{Grid::KFILTR, 2, 1}}, {48, C{Grid::KFILTR, 1, 3}}, {51, C{Grid::KFILTR, 1, 6}},
      {52, C{Grid::KFILTR, 2, 3}}, {55, C{Grid::KFILTR, 2, 6}}, {56, C{Grid::KFILTR, 1, 2}},
      {57, C{Grid::KFILTR, 2, 2}}, {58, Edit::KorekcjaPolowa}};
  // clang-format on
  for (const auto& [line, field] : rows) EXPECT_EQ(fields[line - 1], field) << "line " << line;
  for (std::size_t a = 0; a < fields.size(); ++a)  // every line a field of its own
    for (std::size_t b = a + 1; b < fields.size(); ++b) EXPECT_NE(fields[a], fields[b]) << a << b;
}

TEST_F(CalibrationFileTest, SaveAndOpenRestoreAll58Positions) {
  CalibrationData saved;
  for (int k = 1; k <= 58; ++k)
    saved.setText(CalibrationFileFields()[k - 1], "0," + std::to_string(k));
  saved.setCell(Grid::X, 1, 2, "typed into a placeholder");
  saved.setCell(Grid::S_Faza, 1, 4, "9");  // the hidden fourth phase
  saved.setCell(Grid::X, 1, 7, "0.2500");  // hidden gain: not in the file
  ASSERT_TRUE(calibration::SaveCalibrationFile(file, saved));
  EXPECT_EQ(saved.cell(Grid::X, 1, 2), "-");  // placeholders marked before the save

  const std::vector<std::string> onDisk = lines(readBytes(file));
  ASSERT_EQ(onDisk.size(), 58u);
  EXPECT_EQ(onDisk[0], "0,1");
  EXPECT_EQ(onDisk[3], "-");
  EXPECT_EQ(onDisk[39], "9");
  EXPECT_EQ(onDisk[57], "0,58");

  CalibrationData opened;
  ASSERT_TRUE(calibration::OpenCalibrationFile(file, opened));
  for (int k = 1; k <= 58; ++k) EXPECT_EQ(text(opened, k), text(saved, k)) << "line " << k;
  EXPECT_EQ(opened.cell(Grid::X, 1, 7), "");
  EXPECT_EQ(fs::directory_iterator(dir)->path(), file);  // no temporary file left
}

TEST_F(CalibrationFileTest, ShortAndLongFiles) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string line40, line41, line57, line58;
  };
  const std::vector<Row> rows = {
      {"57 lines keep the field correction", numberedLines(57), "L40", "L41", "L57", "kept"},
      {"40 lines empty 41..57", numberedLines(40), "L40", "", "", "kept"},
      {"58 lines without a final line end", numberedLines(57) + "L58", "L40", "L41", "L57", "L58"},
      {"further lines ignored", numberedLines(70), "L40", "L41", "L57", "L58"},
      {"an empty line 58 counts", numberedLines(57) + "\r\n", "L40", "L41", "L57", ""},
      {"LF and lone CR end lines too",
       std::string(39, '\n') + "L40\rL41\n" + std::string(15, '\r') + "L57\r\n", "L40", "L41",
       "L57", "kept"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    writeBytes(file, r.bytes);
    CalibrationData d;
    for (int k = 1; k <= 58; ++k) d.setText(CalibrationFileFields()[k - 1], "kept");
    ASSERT_TRUE(calibration::OpenCalibrationFile(file, d));
    EXPECT_EQ(text(d, 40), r.line40);
    EXPECT_EQ(text(d, 41), r.line41);
    EXPECT_EQ(text(d, 57), r.line57);
    EXPECT_EQ(text(d, 58), r.line58);
  }
}

TEST_F(CalibrationFileTest, PolishLettersAreWindows1250OnDisk) {
  CalibrationData d;
  d.setEdit(Edit::NR, "Zażółć gęślą jaźń €");
  d.setEdit(Edit::Wtemp, "ñ中😀x");  // no Windows-1250 form: "?" each
  d.setEdit(Edit::OTemp, "two\r\nlines\n");
  ASSERT_TRUE(calibration::SaveCalibrationFile(file, d));
  const std::vector<std::string> onDisk = lines(readBytes(file));
  ASSERT_EQ(onDisk.size(), 58u);
  EXPECT_EQ(onDisk[40], "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \x80");
  EXPECT_EQ(onDisk[41], "???x");
  EXPECT_EQ(onDisk[42], "two  lines ");  // a line break cannot shift the fields after it

  CalibrationData opened;
  ASSERT_TRUE(calibration::OpenCalibrationFile(file, opened));
  EXPECT_EQ(opened.edit(Edit::NR), "Zażółć gęślą jaźń €");
  EXPECT_EQ(opened.edit(Edit::Wtemp), "???x");

  // The five bytes Windows-1250 leaves undefined read as "?".
  ASSERT_TRUE(calibration::LoadCalibrationFileBytes("\x81\x83\x88\x90\x98|\xA5\r\n", opened));
  EXPECT_EQ(text(opened, 1), "?????|Ą");
}

TEST_F(CalibrationFileTest, FilesThatAreNoCalibrationFiles) {
  // One line of 10 MB: cut at 4096 bytes, the rest of it skipped, the next line in place.
  std::string huge(10 * 1024 * 1024, 'A');
  writeBytes(file, huge + "\r\nsecond\r\n");
  CalibrationData d;
  ASSERT_TRUE(calibration::OpenCalibrationFile(file, d));
  EXPECT_EQ(text(d, 1), std::string(calibration::kMaxCalibrationLineBytes, 'A'));
  EXPECT_EQ(text(d, 2), "second");
  EXPECT_EQ(text(d, 3), "");

  // A UTF-16 file and binary garbage load without harm, every text bounded.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("0,5\r\n-\r\n")) utf16 += std::string{c, '\0'};
  std::mt19937 random(7);
  std::string garbage(1 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  for (const std::string& bytes : {utf16, garbage}) {
    writeBytes(file, bytes);
    ASSERT_TRUE(calibration::OpenCalibrationFile(file, d));
    for (int k = 1; k <= 58; ++k)
      EXPECT_LE(text(d, k).size(), 3 * calibration::kMaxCalibrationLineBytes);
  }
}

TEST_F(CalibrationFileTest, FailuresAreReportedAndAFailedSaveKeepsThePreviousFile) {
  CalibrationData d;
  d.setEdit(Edit::NR, "12345");
  EXPECT_FALSE(calibration::OpenCalibrationFile(dir / "missing.HVC", d));
  EXPECT_FALSE(calibration::OpenCalibrationFile(dir, d));          // a folder
  EXPECT_FALSE(calibration::OpenCalibrationFile("/dev/zero", d));  // would never end
  EXPECT_EQ(d.edit(Edit::NR), "12345");
  EXPECT_FALSE(calibration::SaveCalibrationFile(dir / "nowhere" / "x.HVC", d));

  writeBytes(file, "previous\r\n");
  d.setEdit(Edit::KorekcjaPolowa, std::string(2000, '7'));
  // A file size limit makes the write fail as a full disk would (also for root).
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = calibration::SaveCalibrationFile(file, d);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(readBytes(file), "previous\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
