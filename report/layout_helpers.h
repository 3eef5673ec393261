#pragma once
// Helpers the printouts' layouts (report, calibration card) share over the print surface.
#include <string_view>

#include "qtkit/print_surface.h"

namespace report {

// An empty text draws nothing.
inline void textAt(qtkit::PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x, y, text);
}
// Text whose right end is at x (it starts at x minus its width).
inline void textRightAligned(qtkit::PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x - s.textWidth(text), y, text);
}
// Text centred on x: it starts at x minus half its width (integer half).
inline void textCentred(qtkit::PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x - s.textWidth(text) / 2, y, text);
}
inline void line(qtkit::PrintSurface& s, int x1, int y1, int x2, int y2) {
  s.moveTo(x1, y1);
  s.lineTo(x2, y2);
}
// tenths/10 × unit rounded to the nearest integer, halves to the even neighbour, computed
// exactly (16.5·H is roundedTenths(165, H)). unit ≥ 0, tenths ≥ 0.
constexpr int roundedTenths(int tenths, int unit) {
  const long long n = static_cast<long long>(tenths) * unit;
  long long q = n / 10;
  const long long r = n % 10;
  if (r > 5 || (r == 5 && q % 2 != 0)) ++q;
  return static_cast<int>(q);
}

}  // namespace report
