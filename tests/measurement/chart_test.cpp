// The strip chart's picture, pixel by pixel, on the main window's 529 × 217 control.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "measurement/wykres_model.h"

namespace measurement {
namespace {

constexpr int kW = 529;
constexpr int kH = 217;
const std::uint32_t kBlack = rgbPixel(0, 0, 0);
const std::uint32_t kBack = rgbPixel(128, 128, 128);
const std::uint32_t kGrid = rgbPixel(147, 147, 147);
const std::uint32_t kYellow = rgbPixel(255, 255, 0);

// The chart as the main window's form sets it up.
WykresModel mainWindowChart() {
  WykresModel chart(kW, kH);
  chart.SetMax(0.1);
  chart.SetAutoSkala(true);
  chart.SetSkala(20.0);
  chart.Clear();
  return chart;
}

// Background and grid computed independently of the painting code.
std::uint32_t expectedGridPixel(int x, int y) {
  if (x == 0 || y == 0 || x == kW - 1 || y == kH - 1) return kBlack;
  if (x % 20 == 0 && x >= 20 && x <= 520) return kGrid;
  if (y % 20 == 0 && y >= 20 && y <= 200) return kGrid;
  return kBack;
}

// Every pixel that differs from the empty grid.
std::set<std::pair<int, int>> marks(const WykresModel& chart) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < chart.Height(); ++y)
    for (int x = 0; x < chart.Width(); ++x)
      if (chart.canvas().pixel(x, y) != expectedGridPixel(x, y)) out.insert({x, y});
  return out;
}

std::set<std::pair<int, int>> marksInColumn(const WykresModel& chart, int x) {
  std::set<std::pair<int, int>> out;
  for (const auto& p : marks(chart))
    if (p.first == x) out.insert(p);
  return out;
}

// --- canvas primitives --------------------------------------------------------------------

TEST(PixelCanvasTest, RectangleOutlinesAndFillsUpToButNotIncludingTheEndCorner) {
  PixelCanvas c(8, 6);
  c.SetPenColor(rgbColor(255, 0, 0));
  c.SetBrushColor(rgbColor(0, 0, 255));
  c.Rectangle(1, 1, 5, 4);  // covers x 1..4, y 1..3
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      std::uint32_t want = rgbPixel(0, 0, 0);
      const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 3;
      const bool border = inside && (x == 1 || x == 4 || y == 1 || y == 3);
      if (border) {
        want = rgbPixel(255, 0, 0);
      } else if (inside) {
        want = rgbPixel(0, 0, 255);
      }
      EXPECT_EQ(c.pixel(x, y), want) << x << "," << y;
    }
  }
}

TEST(PixelCanvasTest, LineToLeavesTheEndPointAndClipsOutsideTheSurface) {
  PixelCanvas c(10, 10);
  c.SetPenColor(rgbColor(255, 255, 255));
  c.MoveTo(2, 3);
  c.LineTo(2, 7);  // vertical: rows 3..6
  c.MoveTo(-5, 0);
  c.LineTo(4, 0);  // horizontal, starts outside: x 0..3
  c.MoveTo(5, 5);
  c.LineTo(8, 8);  // diagonal: (5,5) (6,6) (7,7)
  std::set<std::pair<int, int>> lit;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (c.pixel(x, y) == rgbPixel(255, 255, 255)) lit.insert({x, y});
  const std::set<std::pair<int, int>> want = {{2, 3}, {2, 4}, {2, 5}, {2, 6}, {0, 0}, {1, 0},
                                              {2, 0}, {3, 0}, {5, 5}, {6, 6}, {7, 7}};
  EXPECT_EQ(lit, want);
  EXPECT_EQ(c.pixel(-1, 0), 0u);
  EXPECT_EQ(c.pixel(0, 10), 0u);
}

TEST(PixelCanvasTest, SystemColoursResolveToTheirDefaultLook) {
  EXPECT_EQ(pixelFromColor(clBtnFace), rgbPixel(240, 240, 240));
  EXPECT_EQ(pixelFromColor(rgbColor(1, 2, 3)), rgbPixel(1, 2, 3));
  EXPECT_EQ(pixelFromColor(clYellow), kYellow);
}

// --- grid ---------------------------------------------------------------------------------

TEST(WykresGridTest, ClearPaintsFrameTwentySixVerticalAndTenHorizontalLines) {
  WykresModel chart = mainWindowChart();
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      ASSERT_EQ(chart.canvas().pixel(x, y), expectedGridPixel(x, y)) << x << "," << y;
  // Count the grid lines as they appear on the picture.
  int vertical = 0;
  for (int x = 1; x < kW - 1; ++x) vertical += chart.canvas().pixel(x, 110) == kGrid ? 1 : 0;
  int horizontal = 0;
  for (int y = 1; y < kH - 1; ++y) horizontal += chart.canvas().pixel(10, y) == kGrid ? 1 : 0;
  EXPECT_EQ(vertical, 26);
  EXPECT_EQ(horizontal, 10);
  // Vertical lines run from row 1 to H − 2, horizontal ones from column 1 to W − 2.
  EXPECT_EQ(chart.canvas().pixel(20, 1), kGrid);
  EXPECT_EQ(chart.canvas().pixel(20, kH - 2), kGrid);
  EXPECT_EQ(chart.canvas().pixel(1, 20), kGrid);
  EXPECT_EQ(chart.canvas().pixel(kW - 2, 200), kGrid);
  EXPECT_EQ(chart.canvas().pixel(540, 220), 0u);
}

TEST(WykresGridTest, ColoursFollowTheProperties) {
  WykresModel chart(kW, kH);
  chart.SetColorIn(rgbColor(10, 20, 30));
  chart.SetSiatkaColor(rgbColor(40, 50, 60));
  chart.Clear();
  EXPECT_EQ(chart.canvas().pixel(5, 5), rgbPixel(10, 20, 30));
  EXPECT_EQ(chart.canvas().pixel(40, 5), rgbPixel(40, 50, 60));
  EXPECT_EQ(chart.canvas().pixel(0, 5), kBlack);
}

TEST(WykresGridTest, ConstructionDefaults) {
  WykresModel chart;
  EXPECT_EQ(chart.Width(), 529);
  EXPECT_EQ(chart.Height(), 217);
  EXPECT_EQ(chart.Capacity(), 527);
  EXPECT_TRUE(chart.AutoSkala());
  EXPECT_EQ(chart.LeftMargin(), 0);
  EXPECT_EQ(chart.Min(), 0.0);
  EXPECT_EQ(chart.Max(), 0.0);
  EXPECT_EQ(chart.Skala(), 0.0);
  EXPECT_EQ(chart.Ilosc(), 0);
  EXPECT_EQ(chart.WritePos(), 0);
  EXPECT_EQ(chart.ColorOut(), clBtnFace);
  EXPECT_EQ(chart.ColorIn(), rgbColor(128, 128, 128));
  EXPECT_EQ(chart.Color(), clYellow);
  EXPECT_EQ(chart.SiatkaColor(), rgbColor(147, 147, 147));
}

// --- scaling and plotting -----------------------------------------------------------------

TEST(WykresPlotTest, FirstValueAfterClearSitsMidHeightAtTheLeft) {
  for (double v : {0.0, 3.7, -12.345, 1000.0}) {
    WykresModel chart = mainWindowChart();
    chart.AddPoint(v);
    EXPECT_EQ(chart.Ilosc(), 1);
    EXPECT_EQ(chart.WritePos(), 1);
    EXPECT_DOUBLE_EQ(chart.Max(), v + 0.0001);
    EXPECT_DOUBLE_EQ(chart.Min(), v - 0.0001);
    // r = 107 → row H − 2 − 107 = 108, x = LeftMargin + 1.
    EXPECT_EQ(marks(chart), (std::set<std::pair<int, int>>{{1, 108}})) << v;
    EXPECT_EQ(chart.canvas().pixel(1, 108), kYellow);

    // The range drawn is v ∓ (0.0001 + 0.00004): the same picture as that range set by hand.
    WykresModel manual(kW, kH);
    manual.SetAutoSkala(false);
    manual.AddPoint(v);
    manual.SetRange(v + 0.0001 + 0.00004, v - 0.0001 - 0.00004);
    EXPECT_EQ(manual.canvas(), chart.canvas()) << v;
  }
}

TEST(WykresPlotTest, AutoscaleKeepsTheDataInTheMiddleFiveSevenths) {
  WykresModel chart = mainWindowChart();
  chart.AddPoint(0.0);
  chart.AddPoint(10.0);
  // The rescan starts from the oldest value ∓ 0.0001: Min −0.0001, Max 10. With 20 % added
  // on both sides 0 lands at r = 30.57 → 31 (row 184) and 10 at r = 183.4 → 183 (row 32).
  EXPECT_EQ(marks(chart), (std::set<std::pair<int, int>>{{1, 184}, {2, 32}}));
  EXPECT_DOUBLE_EQ(chart.Max(), 10.0);
  EXPECT_DOUBLE_EQ(chart.Min(), -0.0001);
}

TEST(WykresPlotTest, RowsRunFromBottomAtHMinusTwoToTopAtRowOne) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(214.0, 0.0);  // r equals the value
  chart.AddPoint(0.0);
  chart.AddPoint(214.0);
  chart.AddPoint(-0.5);   // rounds to −0 → drawn at the bottom row
  chart.AddPoint(214.5);  // rounds to 214 (even) → top row
  chart.AddPoint(215.0);  // r = 215 = H − 2 → not drawn
  chart.AddPoint(-0.51);  // r = −1 → not drawn, newest below → down triangle
  const auto all = marks(chart);
  EXPECT_TRUE(all.count({1, 215}));
  EXPECT_TRUE(all.count({2, 1}));
  EXPECT_TRUE(all.count({3, 215}));
  EXPECT_TRUE(all.count({4, 1}));
  EXPECT_TRUE(marksInColumn(chart, 5).empty());
  EXPECT_TRUE(marksInColumn(chart, 6).empty());
  EXPECT_EQ(chart.canvas().pixel(kW - 12, kH - 6), kBlack);  // down triangle's tip
}

TEST(WykresPlotTest, HalvesRoundToTheEvenRow) {
  const std::pair<double, double> rows[] = {
      {0.5, 0.0},   {1.5, 2.0},    {2.5, 2.0},    {3.5, 4.0},   {-0.5, -0.0}, {-1.5, -2.0},
      {-2.5, -2.0}, {2.4999, 2.0}, {2.5001, 3.0}, {106.5, 106}, {107.5, 108}, {1e15 + 0.5, 1e15}};
  for (const auto& [in, out] : rows) EXPECT_EQ(roundHalfEven(in), out) << in;
  EXPECT_TRUE(std::isnan(roundHalfEven(std::nan(""))));

  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(214.0, 0.0);
  chart.AddPoint(106.5);  // r 106 → row 109
  chart.AddPoint(107.5);  // r 108 → row 107
  EXPECT_EQ(marks(chart), (std::set<std::pair<int, int>>{{1, 109}, {2, 107}}));
}

TEST(WykresPlotTest, RingWrapsAtTheFiveHundredTwentyEighthValueAndScrollsLeft) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(214.0, 0.0);
  auto valueOf = [](int i) { return static_cast<double>((i * 7) % 200); };
  for (int i = 1; i <= 527; ++i) chart.AddPoint(valueOf(i));
  EXPECT_EQ(chart.Ilosc(), 527);
  EXPECT_EQ(chart.WritePos(), 527);
  for (int i = 1; i <= 527; ++i) {
    ASSERT_EQ(marksInColumn(chart, i),
              (std::set<std::pair<int, int>>{{i, 215 - static_cast<int>(valueOf(i))}}))
        << i;
  }
  chart.AddPoint(valueOf(528));
  EXPECT_EQ(chart.WritePos(), 1);
  EXPECT_EQ(chart.Ilosc(), 527);
  EXPECT_EQ(chart.Sample(1), valueOf(528));
  // Value i now stands at x = i − 1: the oldest (value 1) has gone, the newest is at x = 527.
  for (int i = 2; i <= 528; ++i) {
    ASSERT_EQ(marksInColumn(chart, i - 1),
              (std::set<std::pair<int, int>>{{i - 1, 215 - static_cast<int>(valueOf(i))}}))
        << i;
  }
  EXPECT_TRUE(marksInColumn(chart, 528).empty());
  chart.AddPoint(valueOf(529));
  EXPECT_EQ(chart.WritePos(), 2);
  EXPECT_EQ(marksInColumn(chart, 527),
            (std::set<std::pair<int, int>>{{527, 215 - static_cast<int>(valueOf(529))}}));
}

// The triangles' pixels: black outline, yellow inside, on the grey background.
std::set<std::pair<int, int>> upTriangleOutline() {
  std::set<std::pair<int, int>> s;
  for (int x = kW - 18; x <= kW - 7; ++x) s.insert({x, 12});  // base
  for (int k = 0; k < 6; ++k) {
    s.insert({kW - 6 - k, 12 - k});  // right edge, from (W−6,12) up
    s.insert({kW - 12 - k, 6 + k});  // left edge, from the tip down
  }
  return s;
}

TEST(WykresTriangleTest, UpTriangleOnlyForTheNewestValueAboveTheRange) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(10.0, 0.0);
  chart.AddPoint(5.0);
  chart.AddPoint(20.0);
  const auto outline = upTriangleOutline();
  std::set<std::pair<int, int>> inside;
  for (int y = 7; y <= 11; ++y)
    for (int x = kW - 12 - (y - 6) + 1; x <= kW - 12 + (y - 6) - 1; ++x) inside.insert({x, y});
  for (const auto& p : outline) EXPECT_EQ(chart.canvas().pixel(p.first, p.second), kBlack);
  for (const auto& p : inside) EXPECT_EQ(chart.canvas().pixel(p.first, p.second), kYellow);
  // Nothing else changed: the triangle, and the first value at x = 1.
  std::set<std::pair<int, int>> want = outline;
  want.insert(inside.begin(), inside.end());
  want.insert({1, 215 - static_cast<int>(roundHalfEven(5.0 * 214 / 10))});
  EXPECT_EQ(marks(chart), want);

  // A newer value in range: the older one out of range draws no triangle.
  chart.AddPoint(5.0);
  EXPECT_EQ(chart.canvas().pixel(kW - 12, 6), expectedGridPixel(kW - 12, 6));
  EXPECT_EQ(marks(chart).size(), 2u);
}

TEST(WykresTriangleTest, DownTriangleAtTheBottomRightForTheNewestValueBelow) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(10.0, 0.0);
  chart.AddPoint(-3.0);
  std::set<std::pair<int, int>> outline;
  for (int x = kW - 18; x <= kW - 7; ++x) outline.insert({x, kH - 12});
  for (int k = 0; k < 6; ++k) {
    outline.insert({kW - 6 - k, kH - 12 + k});
    outline.insert({kW - 12 - k, kH - 6 - k});
  }
  std::set<std::pair<int, int>> inside;
  for (int d = 1; d <= 5; ++d)
    for (int x = kW - 12 - d + 1; x <= kW - 12 + d - 1; ++x) inside.insert({x, kH - 6 - d});
  for (const auto& p : outline) EXPECT_EQ(chart.canvas().pixel(p.first, p.second), kBlack);
  for (const auto& p : inside) EXPECT_EQ(chart.canvas().pixel(p.first, p.second), kYellow);
  std::set<std::pair<int, int>> want = outline;
  want.insert(inside.begin(), inside.end());
  EXPECT_EQ(marks(chart), want);
}

TEST(WykresTriangleTest, FarOutValueInANarrowRangeIsNotDrawnAtAnyRow) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(50.01, 49.99);
  chart.AddPoint(50.0);
  chart.AddPoint(1000.0);
  chart.AddPoint(-1e300);
  chart.AddPoint(std::numeric_limits<double>::infinity());
  chart.AddPoint(std::nan(""));
  EXPECT_EQ(marksInColumn(chart, 1).size(), 1u);
  for (int x = 2; x <= 5; ++x) EXPECT_TRUE(marksInColumn(chart, x).empty()) << x;
}

TEST(WykresRangeTest, SetRangeIsIgnoredUnderAutoscale) {
  WykresModel chart = mainWindowChart();
  chart.AddPoint(1.0);
  chart.AddPoint(2.0);
  const PixelCanvas before = chart.canvas();
  const double min = chart.Min();
  const double max = chart.Max();
  chart.SetRange(100.0, -100.0);
  EXPECT_EQ(chart.Min(), min);
  EXPECT_EQ(chart.Max(), max);
  EXPECT_EQ(chart.canvas(), before);
}

TEST(WykresRangeTest, ManualRangeFromTheTrackBars) {
  const struct {
    int w, o;
    double top, bottom;
  } rows[] = {{52, 500, 77.04, 22.96},
              {1, 0, 0.01, -0.01},
              {100, 10000, 1100.0, 900.0},
              {100, -10000, -900.0, -1100.0},
              {10, -5, 0.5, -1.5}};
  for (const auto& r : rows) {
    const ChartRange range = manualRange(r.w, r.o);
    EXPECT_DOUBLE_EQ(range.top, r.top) << r.w << "/" << r.o;
    EXPECT_DOUBLE_EQ(range.bottom, r.bottom) << r.w << "/" << r.o;
  }

  // Unchecking "Autoskalowanie": SetRange sets Min/Max and repaints at once.
  WykresModel chart = mainWindowChart();
  chart.AddPoint(50.0);
  chart.SetAutoSkala(false);
  const ChartRange range = manualRange(52, 500);
  chart.SetRange(range.top, range.bottom);
  EXPECT_DOUBLE_EQ(chart.Min(), 22.96);
  EXPECT_DOUBLE_EQ(chart.Max(), 77.04);
  const int r =
      static_cast<int>(roundHalfEven((50.0 - range.bottom) * 214 / (range.top - range.bottom)));
  EXPECT_EQ(marks(chart), (std::set<std::pair<int, int>>{{1, 215 - r}}));
}

TEST(WykresRangeTest, ClearKeepsTheRangeAndEmptiesTheRing) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(3.0, 1.0);
  chart.AddPoint(2.0);
  chart.Clear();
  EXPECT_EQ(chart.Ilosc(), 0);
  EXPECT_EQ(chart.WritePos(), 0);
  EXPECT_EQ(chart.Max(), 3.0);
  EXPECT_EQ(chart.Min(), 1.0);
  EXPECT_TRUE(marks(chart).empty());
}

// --- batching, geometry -------------------------------------------------------------------

TEST(WykresBatchTest, DeferredPaintingEndsInTheSamePicture) {
  for (bool autoscale : {true, false}) {
    WykresModel direct = mainWindowChart();
    WykresModel batched = mainWindowChart();
    for (WykresModel* c : {&direct, &batched}) {
      c->SetAutoSkala(autoscale);
      c->SetMax(4.0);
      c->SetMin(-4.0);
    }
    const auto paintsBefore = batched.paintCount();
    batched.BeginBatch();
    for (int i = 0; i < 700; ++i) {
      const double v = std::sin(i * 0.05) * 5.0;
      direct.AddPoint(v);
      batched.AddPoint(v);
    }
    EXPECT_EQ(batched.paintCount(), paintsBefore);
    batched.EndBatch();
    EXPECT_EQ(batched.paintCount(), paintsBefore + 1);
    EXPECT_EQ(batched.canvas(), direct.canvas()) << autoscale;
    EXPECT_EQ(batched.WritePos(), direct.WritePos());
  }
  // A batch that only clears paints the empty grid.
  WykresModel chart = mainWindowChart();
  chart.AddPoint(1.0);
  chart.BeginBatch();
  chart.Clear();
  chart.EndBatch();
  EXPECT_TRUE(marks(chart).empty());
}

// The changed strips must hold every pixel that differs from the previous picture, whatever
// the steps between two looks; a view copies only them to the screen.
TEST(WykresChangedStripsTest, HoldEveryChangedPixel) {
  WykresModel chart = mainWindowChart();
  std::vector<PixelBox> strips;
  chart.TakeChangedStrips(strips);
  PixelCanvas shown = chart.canvas();
  unsigned seed = 7;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  int steps = 0, partial = 0;
  for (int look = 0; look < 400; ++look) {
    const int kind = static_cast<int>(next() % 40);
    if (kind == 0) {
      chart.Clear();
    } else if (kind == 1) {
      chart.SetAutoSkala(!chart.AutoSkala());
      chart.SetRange(3.0, -3.0);
    } else if (kind == 2) {
      chart.BeginBatch();
      for (int i = 0; i < 5; ++i) chart.AddPoint(std::sin(++steps * 0.07) * 4);
      chart.EndBatch();
    } else {
      const int points = 1 + static_cast<int>(next() % 3);
      for (int i = 0; i < points; ++i) {
        const double spike = next() % 50 == 0 ? 40.0 : 0.0;  // now and then out of range
        chart.AddPoint(std::sin(++steps * 0.07) * 4 + spike);
      }
    }
    chart.TakeChangedStrips(strips);
    const PixelCanvas& now = chart.canvas();
    ASSERT_EQ(strips.size(), 17u);  // 529 columns in strips of 32
    long copied = 0;
    for (std::size_t i = 0; i < strips.size(); ++i) {
      const PixelBox& b = strips[i];
      if (b.empty()) continue;
      EXPECT_GE(b.left, static_cast<int>(i) * WykresModel::kStripWidth);
      EXPECT_LE(b.right, static_cast<int>(i + 1) * WykresModel::kStripWidth);
      copied += static_cast<long>(b.right - b.left) * (b.bottom - b.top);
    }
    for (int y = 0; y < now.height(); ++y) {
      for (int x = 0; x < now.width(); ++x) {
        if (now.pixel(x, y) == shown.pixel(x, y)) continue;
        const PixelBox& b = strips[static_cast<std::size_t>(x / WykresModel::kStripWidth)];
        ASSERT_TRUE(x >= b.left && x < b.right && y >= b.top && y < b.bottom)
            << "pixel " << x << "," << y << " changed outside its strip at look " << look;
      }
    }
    if (copied < now.width() * now.height() * 3 / 4) ++partial;
    shown = now;
  }
  EXPECT_GT(partial, 300);  // a trace in mid-height leaves most of the picture alone
  chart.TakeChangedStrips(strips);
  for (const PixelBox& b : strips) EXPECT_TRUE(b.empty());
}

TEST(WykresGeometryTest, CapacityFollowsWidthAndMarginUpToTwoThousand) {
  WykresModel wide(2500, 100);
  EXPECT_EQ(wide.Capacity(), 2000);
  for (int i = 0; i < 4500; ++i) wide.AddPoint(i);
  EXPECT_EQ(wide.Ilosc(), 2000);
  EXPECT_GE(wide.WritePos(), 1);
  EXPECT_LE(wide.WritePos(), 2000);

  WykresModel narrow(2, 50);
  EXPECT_EQ(narrow.Capacity(), 0);
  narrow.AddPoint(1.0);  // nothing to hold; no crash
  EXPECT_EQ(narrow.Ilosc(), 0);

  WykresModel chart(kW, kH);
  chart.SetLeftMargin(27);
  EXPECT_EQ(chart.Capacity(), 500);
}

TEST(WykresGeometryTest, ShrinkingKeepsTheNewestValuesInOrder) {
  WykresModel chart(kW, kH);
  chart.SetAutoSkala(false);
  chart.SetRange(1000.0, 0.0);
  for (int i = 1; i <= 600; ++i) chart.AddPoint(i);
  chart.Resize(102, kH);  // capacity 100
  EXPECT_EQ(chart.Ilosc(), 100);
  EXPECT_EQ(chart.WritePos(), 100);
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(chart.Sample(i), 500.0 + i);
  chart.AddPoint(601.0);
  EXPECT_EQ(chart.WritePos(), 1);
  EXPECT_EQ(chart.Sample(1), 601.0);
}

}  // namespace
}  // namespace measurement
