// CSV rows of recorded readings, field by field, in both styles.
#include "measurement/csv_recording.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "tests/support/scoped_env.h"

namespace {

using measurement::CsvStyle;
using measurement::MeasurementReading;

MeasurementReading reading(int mode, int axis, int range, int unit, std::int16_t temperature,
                           std::array<std::int16_t, 3> components = {}) {
  MeasurementReading m;
  m.measuringMode = static_cast<std::uint8_t>(mode);
  m.axis = static_cast<std::uint8_t>(axis);
  m.rangeIndex = static_cast<std::uint8_t>(range);
  m.unit = static_cast<std::uint8_t>(unit);
  m.temperatureRaw = temperature;
  m.componentRaw = components;
  return m;
}

TEST(CsvRow, FieldsInBothStyles) {
  testutil::ScopedEnv tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");  // no time zone files needed
  ::tzset();
  // 2026-12-09 13:03:22.123 UTC, 14:03:22.123 in Warsaw (+01:00 in winter).
  const auto t = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'796'821'402'123));
  struct Row {
    const char* name;
    std::string_view line;
    MeasurementReading m;
    CsvStyle style;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"DC, X, mT", "  12.345", reading(0, 0, 0, 0, 235), CsvStyle::Comma,
       "2026-12-09T14:03:22.123+01:00,12.345,mT,DC,X,0,23.5,,,\r\n"},
      {"negative, semicolon", "- 12.345", reading(0, 0, 0, 0, -15), CsvStyle::Semicolon,
       "2026-12-09T14:03:22.123+01:00;-12,345;mT;DC;X;0;-1,5;;;\r\n"},
      {"50 Hz, Gs: the effective range", "  123.4", reading(1, 1, 1, 2, 235), CsvStyle::Comma,
       "2026-12-09T14:03:22.123+01:00,123.4,Gs,50 Hz,Y,2,23.5,,,\r\n"},
      {"no temperature", "   1234", reading(2, 2, 3, 1, measurement::kNoTemperature),
       CsvStyle::Comma, "2026-12-09T14:03:22.123+01:00,1234,kA/m,AC,Z,3,,,,\r\n"},
      {"vector with its components", "  1.500", reading(0, 3, 0, 0, 200, {1000, -500, 250}),
       CsvStyle::Comma, "2026-12-09T14:03:22.123+01:00,1.500,mT,DC,vector,0,20.0,1.000,-0.500,0.250\r\n"},
      {"vector, semicolon", "  1.500", reading(0, 3, 0, 0, 200, {1000, -500, 250}),
       CsvStyle::Semicolon,
       "2026-12-09T14:03:22.123+01:00;1,500;mT;DC;vector;0;20,0;1,000;-0,500;0,250\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string out;
    measurement::appendCsvRow(out, row.style, t, row.line, row.m);
    EXPECT_EQ(out, row.expected);
  }
  EXPECT_EQ(measurement::csvHeader(CsvStyle::Comma),
            "time,value,unit,mode,axis,range,temperature,x,y,z\r\n");
  EXPECT_EQ(measurement::csvHeader(CsvStyle::Semicolon),
            "time;value;unit;mode;axis;range;temperature;x;y;z\r\n");
  EXPECT_TRUE(measurement::isCsvFileName("/a/run.CsV"));
  EXPECT_FALSE(measurement::isCsvFileName("/a/run.HVD"));
  EXPECT_FALSE(measurement::isCsvFileName("csv"));
}

// 200,000 rows through the recording: all on disk, in order, and the row buffer does not
// grow with them.
TEST(CsvRecording, ManyRowsStreamToDisk) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("halvex-csv-" + std::to_string(::getpid()) + ".csv");
  measurement::CsvRecording csv;
  ASSERT_TRUE(csv.open(path, CsvStyle::Comma));
  const auto t = std::chrono::system_clock::now();
  const MeasurementReading m = reading(0, 0, 0, 0, 235);
  for (int i = 0; i < 200'000; ++i) csv.add(t, "  1.234", m);
  EXPECT_TRUE(csv.close());
  EXPECT_EQ(csv.rows(), 200'000u);
  std::ifstream in(path);
  std::size_t lines = 0;
  for (std::string l; std::getline(in, l);) ++lines;
  EXPECT_EQ(lines, 200'001u);
  std::filesystem::remove(path);
}

}  // namespace
