#pragma once
// The test double of the print surface: a page of a chosen size and a chosen text-width
// function, and a log of every call with the page, font and pen in force, so that a layout
// is checked number by number without a printer.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qtkit/print_surface.h"

namespace report {

struct PrintCall {
  enum Kind { Begin, End, NewPage, SetFont, TextWidth, TextOut, SetPenWidth, MoveTo, LineTo };
  Kind kind;
  int x = 0;  // TextOut, MoveTo, LineTo
  int y = 0;
  std::string text;  // TextOut and TextWidth: the text; SetFont: the family
  int value = 0;     // SetFont: the point size; SetPenWidth: the width; TextWidth: the answer
  int page = 0;      // the page number current at the call (0 before Begin)
};

// A text as it lands on the paper.
struct PrintedText {
  int page;
  int x;
  int y;
  std::string text;
  std::string family;
  int pointSize;
  bool operator==(const PrintedText&) const = default;
};

// A line as it lands on the paper.
struct PrintedLine {
  int page;
  int x1;
  int y1;
  int x2;
  int y2;
  int pen;
  bool operator==(const PrintedLine&) const = default;
};

struct PrintLog {
  std::vector<PrintCall> calls;
  std::vector<PrintedText> texts() const;
  std::vector<PrintedLine> lines() const;
  // Pages begun: 0 without Begin, else 1 + the number of NewPage calls.
  int pageCount() const;
  bool ended() const;
};

class RecordingPrintSurface : public qtkit::PrintSurface {
 public:
  // Width of `text` in `family` at `pointSize`.
  using WidthFunction =
      std::function<int(std::string_view text, std::string_view family, int pointSize)>;
  // Default width function: the number of characters (code points) times the point size.
  static int defaultWidth(std::string_view text, std::string_view family, int pointSize);

  RecordingPrintSurface(int pageWidth, int pageHeight, WidthFunction width = defaultWidth);

  // Makes begin() or end() fail with `error` (for the windows' failure paths).
  void failBegin(std::string error) { beginError_ = std::move(error); }
  void failEnd(std::string error) { endError_ = std::move(error); }

  // The log lives on after the surface (a window may destroy its surface after printing).
  std::shared_ptr<const PrintLog> log() const { return log_; }

  bool begin() override;
  bool end() override;
  std::string errorText() const override { return error_; }
  int pageWidth() const override { return width_; }
  int pageHeight() const override { return height_; }
  int pageNumber() const override { return page_; }
  void newPage() override;
  void setFont(std::string_view family, int pointSize) override;
  int textWidth(std::string_view text) override;
  void textOut(int x, int y, std::string_view text) override;
  void setPenWidth(int width) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;

 private:
  void record(PrintCall::Kind kind, int x = 0, int y = 0, std::string text = {}, int value = 0);

  int width_;
  int height_;
  WidthFunction widthOf_;
  std::shared_ptr<PrintLog> log_ = std::make_shared<PrintLog>();
  int page_ = 0;
  std::string beginError_;
  std::string endError_;
  std::string error_;
  std::string family_;
  int pointSize_ = 0;
};

}  // namespace report
