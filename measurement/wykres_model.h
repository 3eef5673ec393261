#pragma once
// The strip chart's logic and picture without any toolkit: a ring of the most recent values,
// the scaling rules and the painting into a 32-bit pixel canvas. TWykres (wykres.h) shows it.
#include <array>
#include <cstdint>
#include <vector>

namespace measurement {

// A Windows colour value: 0x00BBGGRR, or a system colour with the top byte 0xFF.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clYellow = 0x0000FFFF;
inline constexpr TColor clBtnFace = 0xFF00000F;  // system colour: button faces

constexpr TColor rgbColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// A canvas pixel: opaque 0xFFRRGGBB (the layout of QImage::Format_RGB32).
constexpr std::uint32_t rgbPixel(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r & 0xFF) << 16) |
         (static_cast<std::uint32_t>(g & 0xFF) << 8) | static_cast<std::uint32_t>(b & 0xFF);
}

// Colour value to canvas pixel; system colours resolve to their usual default look.
std::uint32_t pixelFromColor(TColor color);

// A width × height surface of 0xFFRRGGBB pixels with the drawing steps of a Windows GDI
// canvas, pixel for pixel: everything outside the surface is clipped.
class PixelCanvas {
 public:
  PixelCanvas() = default;
  PixelCanvas(int width, int height);

  void resize(int width, int height);  // contents become black
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t pixel(int x, int y) const;  // 0 outside the surface
  const std::uint32_t* data() const { return pixels_.data(); }
  std::uint32_t* data() { return pixels_.data(); }
  int bytesPerLine() const { return width_ * 4; }
  // Same size and same pixels (pen, brush and position are not part of the picture).
  bool operator==(const PixelCanvas& other) const {
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
  }

  void SetPenColor(TColor color) { pen_ = pixelFromColor(color); }
  void SetBrushColor(TColor color) { brush_ = pixelFromColor(color); }
  // Outline with the pen on the border of x1..x2−1 × y1..y2−1, inside filled with the brush.
  void Rectangle(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  // Line from the current position to (x, y), the end point itself not painted.
  void LineTo(int x, int y);
  void SetPixel(int x, int y, TColor color);
  void SetPixelRaw(int x, int y, std::uint32_t pixel);
  // Closed polygon: inside filled with the brush, then the outline drawn with the pen.
  void Polygon(const std::vector<std::array<int, 2>>& points);

 private:
  void plot(int x, int y, std::uint32_t p);
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
  std::uint32_t pen_ = 0xFF000000u;
  std::uint32_t brush_ = 0xFFFFFFFFu;
  int penX_ = 0;
  int penY_ = 0;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 → 2, 3.5 → 4).
double roundHalfEven(double v);

// The range the manual scaling panel sets from its track bars W (1..100) and O
// (−10000..10000): centre O/10, half-span W²/100 with the square taken in integers.
struct ChartRange {
  double top = 0;
  double bottom = 0;
};
ChartRange manualRange(int w, int o);

// A rectangle of canvas pixels, right and bottom edges exclusive; empty when it holds none.
struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  void add(int x, int y) { add(PixelBox{x, y, x + 1, y + 1}); }
  void add(const PixelBox& b) {
    if (b.empty()) return;
    if (empty()) {
      *this = b;
      return;
    }
    if (b.left < left) left = b.left;
    if (b.top < top) top = b.top;
    if (b.right > right) right = b.right;
    if (b.bottom > bottom) bottom = b.bottom;
  }
  bool operator==(const PixelBox&) const = default;
};

// The strip chart: a ring of values painted as single pixels on a fixed 20-pixel grid,
// scaled to the data (margin `Skala` percent) or to a range set from outside.
class WykresModel {
 public:
  static constexpr int kSampleCapacity = 2000;

  // Construction defaults of the component; the main window then sets Max 0.1 and Skala 20.
  explicit WykresModel(int width = 529, int height = 217);

  // --- operations -----------------------------------------------------------------------
  void AddPoint(double value);               // appends one value and repaints the whole chart
  void Clear();                              // empties the ring and paints background and grid
  void SetRange(double top, double bottom);  // ignored while AutoSkala is on
  void Redraw(double top, double bottom);    // background, grid, values, triangle
  void RecalcMinMax();
  void DrawGrid();
  void DrawArrowUp();
  void DrawArrowDown();

  // Between BeginBatch and EndBatch the chart does not paint; EndBatch paints once what the
  // last deferred step would have painted, so the final picture equals the unbatched one.
  // Used by the replay, which adds a whole window of values at once. Calls may nest.
  void BeginBatch();
  void EndBatch();

  // Size of the control. The ring's capacity follows; when it shrinks the newest values
  // are kept. The picture is painted anew for the last range.
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // W − LeftMargin − 2, at most kSampleCapacity and at least 0.
  int Capacity() const;

  // --- properties -----------------------------------------------------------------------
  double Min() const { return min_; }
  void SetMin(double v) { min_ = v; }
  double Max() const { return max_; }
  void SetMax(double v) { max_ = v; }
  double Skala() const { return skala_; }
  void SetSkala(double v) { skala_ = v; }
  bool AutoSkala() const { return autoSkala_; }
  void SetAutoSkala(bool on) { autoSkala_ = on; }
  int Ilosc() const { return ilosc_; }
  int WritePos() const { return writePos_; }
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int margin);
  TColor ColorOut() const { return colorOut_; }
  void SetColorOut(TColor c) { colorOut_ = c; }
  TColor ColorIn() const { return colorIn_; }
  void SetColorIn(TColor c) { colorIn_ = c; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  TColor SiatkaColor() const { return siatkaColor_; }
  void SetSiatkaColor(TColor c) { siatkaColor_ = c; }

  // Samples[i], 1-based like the ring's slots (1..Ilosc valid); 0 outside 1..2000.
  double Sample(int i) const;
  // The most recent value, or 0 when empty.
  double Newest() const { return writePos_ > 0 ? samples_[writePos_] : 0.0; }

  const PixelCanvas& canvas() const { return canvas_; }
  // What a view must copy to the screen: for each strip of kStripWidth columns (left to
  // right), the smallest box holding every pixel of the strip that may differ from what the
  // canvas held at the previous call (whole strips after a size or background change; empty
  // boxes where nothing changed). Resets the record. Strips keep a trace that is flat in
  // places, and the buttons over the chart's corners, out of most copies.
  static constexpr int kStripWidth = 32;
  void TakeChangedStrips(std::vector<PixelBox>& strips);
  // Counts full repaints actually done (batched steps not counted); lets the widget and
  // tests see that deferred painting happened once.
  std::uint64_t paintCount() const { return paintCount_; }

 private:
  enum class Pending { None, Grid, Range };
  void paintGrid();  // DrawGrid without counting
  void paintRange(double top, double bottom);
  void ensureBackground();
  void restoreBackground();
  void plot(double v, int x, double top, double bottom, std::uint32_t pixel, bool& outOfRange);
  void markTriangle(int yTop);

  int width_;
  int height_;
  double min_ = 0;
  double max_ = 0;
  std::array<double, kSampleCapacity + 1> samples_{};  // slot 0 unused
  int ilosc_ = 0;
  int writePos_ = 0;
  int leftMargin_ = 0;
  double skala_ = 0;
  bool autoSkala_ = true;
  TColor colorOut_ = clBtnFace;
  TColor colorIn_ = rgbColor(128, 128, 128);
  TColor color_ = clYellow;
  TColor siatkaColor_ = rgbColor(147, 147, 147);

  PixelCanvas canvas_;
  // Background and grid alone, and the pixels painted over it since it was last copied:
  // a repaint restores only those instead of refilling the whole surface.
  PixelCanvas background_;
  struct BackgroundKey {
    int w = -1, h = -1, margin = -1;
    TColor in = 0, grid = 0;
    bool operator==(const BackgroundKey&) const = default;
  } backgroundKey_;
  std::vector<std::uint32_t> dirty_;
  void markPixel(int x, int y);
  void markBox(const PixelBox& box);
  std::vector<PixelBox> dirtyStrips_;    // hold every pixel of dirty_
  std::vector<PixelBox> changedStrips_;  // pixels written since the last TakeChangedStrips
  bool canvasIsBackgroundPlusDirty_ = false;

  int batchDepth_ = 0;
  Pending pending_ = Pending::None;
  double pendingTop_ = 0;
  double pendingBottom_ = 0;
  bool lastWasRange_ = false;
  double lastTop_ = 0;
  double lastBottom_ = 0;
  std::uint64_t paintCount_ = 0;
};

}  // namespace measurement
