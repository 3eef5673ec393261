#include "report/recording_print_surface.h"

#include <utility>

namespace report {

std::vector<PrintedText> PrintLog::texts() const {
  std::vector<PrintedText> out;
  std::string family;
  int size = 0;
  for (const PrintCall& c : calls) {
    if (c.kind == PrintCall::SetFont) {
      family = c.text;
      size = c.value;
    } else if (c.kind == PrintCall::TextOut) {
      out.push_back({c.page, c.x, c.y, c.text, family, size});
    }
  }
  return out;
}

std::vector<PrintedLine> PrintLog::lines() const {
  std::vector<PrintedLine> out;
  int pen = 1;  // a fresh pen is one unit wide
  int x = 0;
  int y = 0;
  for (const PrintCall& c : calls) {
    switch (c.kind) {
      case PrintCall::SetPenWidth:
        pen = c.value;
        break;
      case PrintCall::MoveTo:
        x = c.x;
        y = c.y;
        break;
      case PrintCall::LineTo:
        out.push_back({c.page, x, y, c.x, c.y, pen});
        x = c.x;
        y = c.y;
        break;
      default:
        break;
    }
  }
  return out;
}

int PrintLog::pageCount() const {
  int pages = 0;
  for (const PrintCall& c : calls) {
    if (c.kind == PrintCall::Begin || c.kind == PrintCall::NewPage) ++pages;
  }
  return pages;
}

bool PrintLog::ended() const {
  return !calls.empty() && calls.back().kind == PrintCall::End;
}

int RecordingPrintSurface::defaultWidth(std::string_view text, std::string_view, int pointSize) {
  int characters = 0;
  for (const char ch : text) {
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++characters;  // not a continuation
  }
  return characters * pointSize;
}

RecordingPrintSurface::RecordingPrintSurface(int pageWidth, int pageHeight, WidthFunction width)
    : width_(pageWidth), height_(pageHeight), widthOf_(std::move(width)) {}

void RecordingPrintSurface::record(PrintCall::Kind kind, int x, int y, std::string text,
                                   int value) {
  log_->calls.push_back(PrintCall{kind, x, y, std::move(text), value, page_});
}

bool RecordingPrintSurface::begin() {
  if (!beginError_.empty()) {
    error_ = beginError_;
    return false;
  }
  page_ = 1;
  record(PrintCall::Begin);
  return true;
}

bool RecordingPrintSurface::end() {
  record(PrintCall::End);
  if (!endError_.empty()) {
    error_ = endError_;
    return false;
  }
  return true;
}

void RecordingPrintSurface::newPage() {
  ++page_;
  record(PrintCall::NewPage);
}

void RecordingPrintSurface::setFont(std::string_view family, int pointSize) {
  family_ = std::string(family);
  pointSize_ = pointSize;
  record(PrintCall::SetFont, 0, 0, family_, pointSize);
}

int RecordingPrintSurface::textWidth(std::string_view text) {
  const int w = widthOf_(text, family_, pointSize_);
  record(PrintCall::TextWidth, 0, 0, std::string(text), w);
  return w;
}

void RecordingPrintSurface::textOut(int x, int y, std::string_view text) {
  record(PrintCall::TextOut, x, y, std::string(text));
}

void RecordingPrintSurface::setPenWidth(int width) {
  record(PrintCall::SetPenWidth, 0, 0, {}, width);
}

void RecordingPrintSurface::moveTo(int x, int y) {
  record(PrintCall::MoveTo, x, y);
}

void RecordingPrintSurface::lineTo(int x, int y) {
  record(PrintCall::LineTo, x, y);
}

}  // namespace report
