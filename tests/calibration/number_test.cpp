#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration/calibration_number.h"

namespace {

enum State { Empty, Invalid, Valid };

template <class T>
struct Row {
  std::string text;
  State state;
  T value;
};

template <class T, class Parse>
void expectRows(const std::vector<Row<T>>& rows, Parse parse) {
  for (const Row<T>& r : rows) {
    const auto n = parse(r.text);
    const State state = n.empty ? (n.ok ? Invalid : Empty) : (n.ok ? Valid : Invalid);
    EXPECT_EQ(state, r.state) << '"' << r.text.substr(0, 24) << '"';
    if (r.state == Valid) {
      EXPECT_EQ(n.value, r.value) << r.text;
    }
  }
}

// clang-format off
TEST(ParseCalibrationReal, WholeTextWithDecimalComma) {
  expectRows<double>({
      {"", Empty, 0},          {"0,25", Valid, 0.25},  {"0,2,5", Invalid, 0},
      {"  -0,5", Valid, -0.5}, {"+.5", Valid, 0.5},    {"2,5e-3", Valid, 0.0025},
      {"1e300", Valid, 1e300}, {"0.5 ", Invalid, 0},   {" ", Invalid, 0},
      {"-", Invalid, 0},       {"1e", Invalid, 0},     {"1e999", Invalid, 0},
      {"nan", Invalid, 0},     {"inf", Invalid, 0},    {"0x", Invalid, 0},
      {"$", Invalid, 0},       {"0x10", Invalid, 0},   {std::string(400, '9'), Invalid, 0}},
      calibration::ParseCalibrationReal);
}

TEST(ParseCalibrationInteger, DecimalOrHexadecimalThatFitsSigned32Bits) {
  expectRows<std::int32_t>({
      {"", Empty, 0},            {"  42", Valid, 42},               {"-42", Valid, -42},
      {"+007", Valid, 7},        {"$1F", Valid, 31},                {"x10", Valid, 16},
      {"X10", Valid, 16},        {"0xff", Valid, 255},              {" -0X10", Valid, -16},
      {"2147483647", Valid, 2147483647},                 {"-$80000000", Valid, INT32_MIN},
      {"2147483648", Invalid, 0}, {"$80000000", Invalid, 0},        {"-2147483649", Invalid, 0},
      {std::string(5000, '1'), Invalid, 0},                         {"0x", Invalid, 0},
      {"$", Invalid, 0},         {"-", Invalid, 0},                 {"12 ", Invalid, 0},
      {"- 1", Invalid, 0},       {"$-1", Invalid, 0},               {"1.5", Invalid, 0},
      {"1e3", Invalid, 0},       {"0x1G", Invalid, 0},              {"00x1", Invalid, 0}},
      calibration::ParseCalibrationInteger);
}
// clang-format on

}  // namespace
