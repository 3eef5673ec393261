#pragma once
// The print surface: what a printout needs of a printer. Page size in device units, a font
// by family and point size with measured text widths, text, lines with a pen width, pages.
// The layouts (report, calibration card) draw only through it; the real surface prints
// through QPrinter (qtkit/qt_print_surface.h), the recording one keeps every call for tests.
#include <string>
#include <string_view>

namespace qtkit {

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

}  // namespace qtkit
