#include "measurement/wykres_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace measurement {

std::uint32_t pixelFromColor(TColor color) {
  if ((color & 0xFF000000u) == 0xFF000000u) {
    // System colours: the usual default look of the desktop's palette.
    switch (color & 0xFFu) {
      case 5:   // window background
      case 14:  // highlighted text
      case 20:  // button highlight
        return rgbPixel(255, 255, 255);
      case 15:  // button face
        return rgbPixel(240, 240, 240);
      case 16:  // button shadow
        return rgbPixel(160, 160, 160);
      case 22:  // light 3-D edge
        return rgbPixel(227, 227, 227);
      case 17:  // grey text
        return rgbPixel(109, 109, 109);
      case 13:  // highlight
        return rgbPixel(0, 120, 215);
      default:
        return rgbPixel(0, 0, 0);
    }
  }
  return rgbPixel(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

// --- PixelCanvas ---------------------------------------------------------------------------

PixelCanvas::PixelCanvas(int width, int height) {
  resize(width, height);
}

void PixelCanvas::resize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0xFF000000u);
}

std::uint32_t PixelCanvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void PixelCanvas::plot(int x, int y, std::uint32_t p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = p;
}

void PixelCanvas::SetPixel(int x, int y, TColor color) {
  plot(x, y, pixelFromColor(color));
}
void PixelCanvas::SetPixelRaw(int x, int y, std::uint32_t p) {
  plot(x, y, p);
}

void PixelCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  const int r = x2 - 1;
  const int b = y2 - 1;
  const int cx1 = std::max(x1 + 1, 0);
  const int cx2 = std::min(r - 1, width_ - 1);
  for (int y = std::max(y1 + 1, 0); y <= std::min(b - 1, height_ - 1); ++y) {
    if (cx1 <= cx2) {
      std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y) * width_;
      std::fill(row + cx1, row + cx2 + 1, brush_);
    }
  }
  for (int x = x1; x <= r; ++x) {
    plot(x, y1, pen_);
    plot(x, b, pen_);
  }
  for (int y = y1; y <= b; ++y) {
    plot(x1, y, pen_);
    plot(r, y, pen_);
  }
}

void PixelCanvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void PixelCanvas::LineTo(int x, int y) {
  // Bresenham from the current position; the end point is left unpainted.
  int x0 = penX_;
  int y0 = penY_;
  const int dx = std::abs(x - x0);
  const int dy = -std::abs(y - y0);
  const int sx = x0 < x ? 1 : -1;
  const int sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  while (x0 != x || y0 != y) {
    plot(x0, y0, pen_);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
  penX_ = x;
  penY_ = y;
}

void PixelCanvas::Polygon(const std::vector<std::array<int, 2>>& points) {
  if (points.empty()) return;
  int yMin = points[0][1];
  int yMax = points[0][1];
  for (const auto& p : points) {
    yMin = std::min(yMin, p[1]);
    yMax = std::max(yMax, p[1]);
  }
  // Fill: pixel centres on integer coordinates, each edge taken half-open in y and each
  // span half-open in x (the top-left rule), then the outline painted over the border.
  std::vector<double> xs;
  const std::size_t n = points.size();
  for (int y = std::max(yMin, 0); y <= std::min(yMax, height_ - 1); ++y) {
    xs.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const auto& a = points[i];
      const auto& b = points[(i + 1) % n];
      if (a[1] == b[1]) continue;
      const auto& lo = a[1] < b[1] ? a : b;
      const auto& hi = a[1] < b[1] ? b : a;
      if (y < lo[1] || y >= hi[1]) continue;
      xs.push_back(lo[0] + static_cast<double>(y - lo[1]) * (hi[0] - lo[0]) / (hi[1] - lo[1]));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
      for (int x = static_cast<int>(std::ceil(xs[k])); x < static_cast<int>(std::ceil(xs[k + 1]));
           ++x) {
        plot(x, y, brush_);
      }
    }
  }
  MoveTo(points[0][0], points[0][1]);
  for (std::size_t i = 1; i < n; ++i) LineTo(points[i][0], points[i][1]);
  LineTo(points[0][0], points[0][1]);
}

// --- helpers -------------------------------------------------------------------------------

double roundHalfEven(double v) {
  const double f = std::floor(v);
  const double d = v - f;
  if (d > 0.5) return f + 1.0;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;  // NaN falls through unchanged
}

ChartRange manualRange(int w, int o) {
  const double centre = o / 10.0;
  const double halfSpan = (w * w) / 100.0;
  return {centre + halfSpan, centre - halfSpan};
}

// --- WykresModel ---------------------------------------------------------------------------

WykresModel::WykresModel(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)) {
  canvas_.resize(width_, height_);
  paintGrid();
}

int WykresModel::Capacity() const {
  return std::clamp(width_ - leftMargin_ - 2, 0, kSampleCapacity);
}

double WykresModel::Sample(int i) const {
  if (i < 1 || i > kSampleCapacity) return 0.0;
  return samples_[i];
}

void WykresModel::TakeChangedStrips(std::vector<PixelBox>& strips) {
  const std::size_t n = static_cast<std::size_t>((width_ + kStripWidth - 1) / kStripWidth);
  changedStrips_.resize(n);
  strips.swap(changedStrips_);
  changedStrips_.assign(n, PixelBox{});
}

void WykresModel::markPixel(int x, int y) {
  const std::size_t i = static_cast<std::size_t>(x / kStripWidth);
  if (i >= dirtyStrips_.size()) {
    dirtyStrips_.resize(i + 1);
    changedStrips_.resize(std::max(changedStrips_.size(), i + 1));
  }
  dirtyStrips_[i].add(x, y);
  changedStrips_[i].add(x, y);
}

void WykresModel::markBox(const PixelBox& box) {
  if (box.empty()) return;
  for (int left = box.left / kStripWidth * kStripWidth; left < box.right; left += kStripWidth) {
    PixelBox part = box;
    part.left = std::max(box.left, left);
    part.right = std::min(box.right, left + kStripWidth);
    markPixel(part.left, part.top);
    markPixel(part.right - 1, part.bottom - 1);
  }
}

void WykresModel::ensureBackground() {
  const BackgroundKey key{width_, height_, leftMargin_, colorIn_, siatkaColor_};
  if (key == backgroundKey_) return;
  backgroundKey_ = key;
  background_.resize(width_, height_);
  PixelCanvas& c = background_;
  c.SetBrushColor(colorIn_);
  c.SetPenColor(clBlack);
  c.Rectangle(leftMargin_, 0, width_, height_);
  c.SetPenColor(siatkaColor_);
  for (int b = 1; b <= (width_ - leftMargin_ - 4) / 20; ++b) {
    c.MoveTo(leftMargin_ + 20 * b, 1);
    c.LineTo(leftMargin_ + 20 * b, height_ - 1);
  }
  for (int k = 1; k <= (height_ - 4) / 20; ++k) {
    c.MoveTo(leftMargin_ + 1, 20 * k);
    c.LineTo(width_ - 1, 20 * k);
  }
  canvasIsBackgroundPlusDirty_ = false;
}

void WykresModel::restoreBackground() {
  ensureBackground();
  if (canvasIsBackgroundPlusDirty_ && canvas_.width() == background_.width() &&
      canvas_.height() == background_.height()) {
    std::uint32_t* dst = canvas_.data();
    const std::uint32_t* src = background_.data();
    for (std::uint32_t off : dirty_) dst[off] = src[off];
    if (changedStrips_.size() < dirtyStrips_.size()) changedStrips_.resize(dirtyStrips_.size());
    for (std::size_t i = 0; i < dirtyStrips_.size(); ++i) changedStrips_[i].add(dirtyStrips_[i]);
  } else {
    if (canvas_.width() != width_ || canvas_.height() != height_) canvas_.resize(width_, height_);
    if (width_ > 0 && height_ > 0) {
      std::memcpy(canvas_.data(), background_.data(),
                  static_cast<std::size_t>(width_) * height_ * sizeof(std::uint32_t));
    }
    changedStrips_.clear();
    for (int left = 0; left < width_; left += kStripWidth)
      changedStrips_.push_back(PixelBox{left, 0, std::min(left + kStripWidth, width_), height_});
  }
  dirty_.clear();
  dirtyStrips_.assign(static_cast<std::size_t>((width_ + kStripWidth - 1) / kStripWidth),
                      PixelBox{});
  canvasIsBackgroundPlusDirty_ = true;
}

void WykresModel::paintGrid() {
  restoreBackground();
  lastWasRange_ = false;
}

void WykresModel::DrawGrid() {
  if (batchDepth_ > 0) {
    pending_ = Pending::Grid;
    return;
  }
  paintGrid();
  ++paintCount_;
}

void WykresModel::plot(double v, int x, double top, double bottom, std::uint32_t pixel,
                       bool& outOfRange) {
  const double r = roundHalfEven((v - bottom) * (height_ - 3) / (top - bottom));
  // Compared as doubles: a value far outside (or NaN) never reaches an integer conversion.
  if (!(r >= 0.0 && r < height_ - 2)) {
    outOfRange = true;
    return;
  }
  const int y = height_ - 2 - static_cast<int>(r);
  if (x < 0 || x >= width_ || y < 0 || y >= height_) return;
  const std::uint32_t off = static_cast<std::uint32_t>(y) * width_ + x;
  canvas_.data()[off] = pixel;
  dirty_.push_back(off);
  markPixel(x, y);
}

void WykresModel::markTriangle(int yTop) {
  const PixelBox box{std::max(width_ - 18, 0), std::max(yTop, 0), std::min(width_ - 5, width_),
                     std::min(yTop + 7, height_)};
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      dirty_.push_back(static_cast<std::uint32_t>(y) * width_ + x);
    }
  }
  markBox(box);
}

void WykresModel::DrawArrowUp() {
  canvas_.SetPenColor(clBlack);
  canvas_.SetBrushColor(color_);
  canvas_.Polygon({{width_ - 18, 12}, {width_ - 6, 12}, {width_ - 12, 6}});
  markTriangle(6);
}

void WykresModel::DrawArrowDown() {
  canvas_.SetPenColor(clBlack);
  canvas_.SetBrushColor(color_);
  canvas_.Polygon(
      {{width_ - 18, height_ - 12}, {width_ - 6, height_ - 12}, {width_ - 12, height_ - 6}});
  markTriangle(height_ - 12);
}

void WykresModel::paintRange(double top, double bottom) {
  restoreBackground();
  bool outOfRange = false;
  const std::uint32_t pixel = pixelFromColor(color_);
  dirty_.reserve(static_cast<std::size_t>(ilosc_) + 128);
  for (int i = writePos_ + 1; i <= ilosc_; ++i) {
    plot(samples_[i], i + leftMargin_ - writePos_, top, bottom, pixel, outOfRange);
  }
  for (int i = 1; i <= writePos_; ++i) {
    plot(samples_[i], i + leftMargin_ + ilosc_ - writePos_, top, bottom, pixel, outOfRange);
  }
  if (outOfRange) {
    const double newest = samples_[writePos_];
    if (newest > top) {
      DrawArrowUp();
    } else if (newest < bottom) {
      DrawArrowDown();
    }
  }
  lastWasRange_ = true;
  lastTop_ = top;
  lastBottom_ = bottom;
}

void WykresModel::Redraw(double top, double bottom) {
  if (batchDepth_ > 0) {
    pending_ = Pending::Range;
    pendingTop_ = top;
    pendingBottom_ = bottom;
    return;
  }
  paintRange(top, bottom);
  ++paintCount_;
}

void WykresModel::Clear() {
  writePos_ = 0;
  ilosc_ = 0;
  DrawGrid();
}

void WykresModel::SetRange(double top, double bottom) {
  if (autoSkala_) return;
  max_ = top;
  min_ = bottom;
  Redraw(top, bottom);
}

void WykresModel::RecalcMinMax() {
  max_ = samples_[1] + 0.0001;
  min_ = samples_[1] - 0.0001;
  for (int i = 1; i <= ilosc_; ++i) {
    if (samples_[i] > max_) {
      max_ = samples_[i];
    } else if (samples_[i] < min_) {
      min_ = samples_[i];
    }
  }
}

void WykresModel::AddPoint(double value) {
  const int capacity = Capacity();
  if (ilosc_ == 0) Clear();
  if (capacity == 0) return;  // a control too narrow for a single value
  if (writePos_ > 0 && writePos_ < capacity) {
    ++writePos_;
  } else {
    writePos_ = 1;
  }
  samples_[writePos_] = value;
  if (writePos_ > ilosc_) ++ilosc_;
  if (autoSkala_) {
    RecalcMinMax();
    const double margin = (max_ - min_) * (skala_ / 100);
    Redraw(max_ + margin, min_ - margin);
  } else {
    Redraw(max_, min_);
  }
}

void WykresModel::BeginBatch() {
  ++batchDepth_;
}

void WykresModel::EndBatch() {
  if (batchDepth_ == 0) return;
  if (--batchDepth_ > 0) return;
  const Pending p = pending_;
  pending_ = Pending::None;
  if (p == Pending::Grid) {
    paintGrid();
    ++paintCount_;
  } else if (p == Pending::Range) {
    paintRange(pendingTop_, pendingBottom_);
    ++paintCount_;
  }
}

void WykresModel::SetLeftMargin(int margin) {
  leftMargin_ = std::max(0, margin);
  Resize(width_, height_);
}

void WykresModel::Resize(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  const int capacity = Capacity();
  if (ilosc_ > capacity) {
    // Keep the newest `capacity` values, oldest first, as a full ring.
    std::vector<double> ordered;
    ordered.reserve(ilosc_);
    for (int i = writePos_ + 1; i <= ilosc_; ++i) ordered.push_back(samples_[i]);
    for (int i = 1; i <= writePos_; ++i) ordered.push_back(samples_[i]);
    const std::size_t drop = ordered.size() - static_cast<std::size_t>(capacity);
    for (int i = 1; i <= capacity; ++i) samples_[i] = ordered[drop + i - 1];
    ilosc_ = capacity;
    writePos_ = capacity;
  }
  canvasIsBackgroundPlusDirty_ = false;
  if (canvas_.width() != width_ || canvas_.height() != height_) canvas_.resize(width_, height_);
  if (lastWasRange_) {
    Redraw(lastTop_, lastBottom_);
  } else {
    DrawGrid();
  }
}

}  // namespace measurement
