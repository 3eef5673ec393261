#pragma once
// The print surface: what a printout needs of a printer. Page size in device units, a font
// by family and point size with measured text widths, text, lines with a pen width, pages.
// The layouts (report, calibration card) draw only through it; the real surface prints
// through QPrinter (app/qt_print_surface.h), the recording one keeps every call for tests.
#include <string>
#include <string_view>

namespace report {

class PrintSurface {
 public:
  virtual ~PrintSurface() = default;

  // Starts the document; page 1 is then current. False when the job cannot start
  // (errorText() says why); nothing else is called after a failed begin().
  virtual bool begin() = 0;
  // Ends the document: it goes to the printer or file. False when the job failed.
  virtual bool end() = 0;
  // What the system reported for the last failure of begin(), newPage() or end().
  virtual std::string errorText() const = 0;

  // Size of the page's printable area in device units; the origin is its top left corner.
  virtual int pageWidth() const = 0;
  virtual int pageHeight() const = 0;
  // The job's own page number: 1 on the first page, one more after each newPage().
  virtual int pageNumber() const = 0;
  virtual void newPage() = 0;

  virtual void setFont(std::string_view family, int pointSize) = 0;
  // Printed width of `text` (UTF-8) in the current font, in device units.
  virtual int textWidth(std::string_view text) = 0;
  // Draws `text` in the current font with the top of the font's full character cell at y:
  // its baseline lies the font's full ascent (OS/2 usWinAscent) below y, as text drawn from
  // its top lands on paper.
  virtual void textOut(int x, int y, std::string_view text) = 0;

  // Width of the pen of the following lines, in device units.
  virtual void setPenWidth(int width) = 0;
  virtual void moveTo(int x, int y) = 0;
  // A line from the pen position to (x, y), which becomes the pen position.
  virtual void lineTo(int x, int y) = 0;
};

// --- helpers shared by the layouts (an empty text draws nothing) ---------------------------

inline void textAt(PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x, y, text);
}
// Text whose right end is at x (it starts at x minus its width).
inline void textRightAligned(PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x - s.textWidth(text), y, text);
}
// Text centred on x: it starts at x minus half its width (integer half).
inline void textCentred(PrintSurface& s, int x, int y, std::string_view text) {
  if (!text.empty()) s.textOut(x - s.textWidth(text) / 2, y, text);
}
inline void line(PrintSurface& s, int x1, int y1, int x2, int y2) {
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
