#include "measurement/formatting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "measurement/user_number.h"
#include "measurement/utf8.h"

namespace {

using namespace measurement;

TEST(Formatting, ScaleByRange) {
  EXPECT_DOUBLE_EQ(ScaleByRange(0, 19999), 19.999);
  EXPECT_DOUBLE_EQ(ScaleByRange(1, 1234), 12.34);
  EXPECT_DOUBLE_EQ(ScaleByRange(2, 2000), 200.0);
  EXPECT_DOUBLE_EQ(ScaleByRange(3, -1234), -1234.0);
  EXPECT_DOUBLE_EQ(ScaleByRange(4, 1234), 1234.0);
  EXPECT_DOUBLE_EQ(ScaleByRange(9, 1234), 1234.0);
  EXPECT_DOUBLE_EQ(ScaleByRange(-1, 1234), 1234.0);
}

TEST(Formatting, LinesByRange) {
  struct Row {
    int r;
    double value;
    const char* byRange;  // FormatByRange
    const char* line;     // PadMinusSign(FormatByRange)
  };
  const std::vector<Row> rows = {
      {0, 19.999, " 19.999", " 19.999"},      {0, -1.234, " -1.234", " -1.234"},
      {0, -12.345, "-12.345", "- 12.345"},    {0, 1.5, "  1.500", "  1.500"},
      {0, 1.234, "  1.234", "  1.234"},       {1, 12.34, "  12.34", "  12.34"},
      {1, -123.45, "-123.45", "- 123.45"},    {2, 123.4, "  123.4", "  123.4"},
      {2, 23.5, "   23.5", "   23.5"},        {3, 1234, "   1234", "   1234"},
      {4, 1234, "   1234", "   1234"},        {7, 12.6, "     13", "     13"},
      {3, -1234567, "-1234567", "- 1234567"},                                      // never cut
      {0, 0.0, "  0.000", "  0.000"},         {0, -0.0004, "  0.000", "  0.000"},  // no "-0.000"
      {2, -0.04, "    0.0", "    0.0"},
      // Halfway values round away from zero, as a display is read: the average of 2 and 3
      // at range 3 shows 3.
      {1, 0.125, "   0.13", "   0.13"},     {1, -0.125, "  -0.13", "  -0.13"},
      {3, 2.5, "      3", "      3"},        {3, -2.5, "     -3", "     -3"},
      {3, 3.5, "      4", "      4"},        {2, 0.25, "    0.3", "    0.3"},
      {3, std::nextafter(2.5, 0.0), "      2", "      2"},  // just below halfway
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "r=" << row.r << " value=" << row.value);
    EXPECT_EQ(FormatByRange(row.r, row.value), row.byRange);
    EXPECT_EQ(FormatLine(row.r, row.value), row.line);
    FixedText t;
    FormatByRangeInto(row.r, row.value, true, t);
    EXPECT_EQ(t.view(), row.line);
    FormatByRangeInto(row.r, row.value, false, t);
    EXPECT_EQ(t.view(), row.byRange);
  }
}

TEST(Formatting, PadMinusSign) {
  EXPECT_EQ(PadMinusSign("-12.345"), "- 12.345");
  EXPECT_EQ(PadMinusSign(" -1.234"), " -1.234");
  EXPECT_EQ(PadMinusSign(""), "");
  EXPECT_EQ(PadMinusSign("-"), "- ");
}

TEST(Formatting, ExtremeValuesStayInTheFixedBuffer) {
  for (double v :
       {1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(), 5e-324}) {
    for (int r : {0, 3, 200}) {
      FixedText t;
      FormatByRangeInto(r, v, true, t);
      EXPECT_GE(t.len, 7u);
      EXPECT_LE(t.len, t.buf.size());
    }
  }
}

TEST(Formatting, UnpackBits) {
  const auto bits = UnpackBits(0x31);
  const std::array<bool, 8> expected = {true, false, false, false, true, true, false, false};
  EXPECT_EQ(bits, expected);
  EXPECT_EQ(UnpackBits(0xFF),
            (std::array<bool, 8>{true, true, true, true, true, true, true, true}));
}

}  // namespace

namespace {

TEST(UserNumber, DecimalCommaAndWhatCountsAsTheWholeNumber) {
  struct Row {
    const char* text;
    bool trailingBlanks;
    double value;
    bool leading;
    bool whole;
  };
  const Row rows[] = {
      {"0,5", false, 0.5, true, true},
      {"0.5", false, 0.5, true, true},
      {"0,2,5", false, 0.2, true, false},  // only the first comma is a point
      {"  -1,25e2", false, -125.0, true, true},
      {"+3", false, 3.0, true, true},
      {".5", false, 0.5, true, true},
      {"5.", false, 5.0, true, true},
      {"1e", false, 1.0, true, false},
      {"12abc", false, 12.0, true, false},
      {"abc", false, 0.0, false, false},
      {"", false, 0.0, false, false},
      {"-", false, 0.0, false, false},
      {"--5", false, 0.0, false, false},
      {"inf", false, 0.0, false, false},
      {"nan", false, 0.0, false, false},
      {"1e999", false, 0.0, false, false},
      {"0x10", false, 0.0, true, false},
      {"2 ", false, 2.0, true, false},
      {"2 ", true, 2.0, true, true},
      {" 0,36  ", true, 0.36, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const measurement::UserNumber n = measurement::parseUserNumber(row.text, row.trailingBlanks);
    EXPECT_DOUBLE_EQ(n.value, row.value);
    EXPECT_EQ(n.leading, row.leading);
    EXPECT_EQ(n.whole, row.whole);
  }
}

}  // namespace

namespace {

TEST(Utf8Characters, OneCodePointEachAndAStrayByteAlone) {
  struct Case {
    std::string text;
    std::vector<std::string> characters;
  };
  const Case cases[] = {
      {"", {}},
      {"12345", {"1", "2", "3", "4", "5"}},
      {"a\xC5\x82\x62", {"a", "\xC5\x82", "b"}},                               // ł between a and b
      {"\xE2\x82\xAC\xF0\x9F\x98\x80", {"\xE2\x82\xAC", "\xF0\x9F\x98\x80"}},  // € and an emoji
      {"\x80x", {"\x80", "x"}},              // a stray continuation byte
      {"\xC5", {"\xC5"}},                    // cut short at the end
      {"\xE2\x82x", {"\xE2", "\x82", "x"}},  // broken by a plain byte
      {"\xFF\x31", {"\xFF", "1"}},           // starts nothing
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (std::string_view ch : measurement::Utf8Characters(c.text)) got.emplace_back(ch);
    EXPECT_EQ(got, c.characters) << c.text;
    if (!c.text.empty()) {
      EXPECT_EQ(measurement::Utf8SequenceLength(c.text, 0), c.characters.front().size());
    }
  }
}

}  // namespace
