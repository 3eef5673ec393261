#include "measurement/processor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "link/frame_receiver.h"

// Counts every allocation of the binary so the per-frame path can be shown to make none.
namespace {
std::atomic<long> g_allocations{0};
}
// GCC pairs the inlined free() with the `new` expression it came from and warns,
// although the two replacements below match each other.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using namespace measurement;

struct Frame {
  std::uint8_t statusA = 0, statusB = 0, mode = 0, axis = 0, range = 0, unit = 0;
  std::int16_t temperature = 235, value = 0, x = 0, y = 0, z = 0;

  std::array<std::uint8_t, 18> bytes() const {
    std::array<std::uint8_t, 18> f{0xAA, 0x55, statusA, statusB, mode, axis, range, unit};
    auto put = [&f](int pos, std::int16_t v) {
      f[static_cast<std::size_t>(pos)] =
          static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) & 0xFF);
      f[static_cast<std::size_t>(pos) + 1] =
          static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
    };
    put(8, temperature);
    put(10, value);
    put(12, x);
    put(14, y);
    put(16, z);
    return f;
  }
};

struct Processor {
  MeasurementProcessor p;
  ProcessorInputs in;
  DisplayUpdate run(const Frame& f) { return p.processFrame(f.bytes().data(), in); }
};

std::string text(const TextChange& t) {
  return t.changed ? std::string(t.view()) : "<unchanged>";
}

TEST(MeasurementDecode, FieldsAreLittleEndianSigned) {
  Frame f{0x12, 0x01, 2, 3, 1, 2, -32768, -12345, 1, -2, 32767};
  const auto m = DecodeMeasurementFrame(f.bytes().data());
  EXPECT_EQ(m.statusA, 0x12);
  EXPECT_EQ(m.statusB, 0x01);
  EXPECT_EQ(m.measuringMode, 2);
  EXPECT_EQ(m.axis, 3);
  EXPECT_EQ(m.rangeIndex, 1);
  EXPECT_EQ(m.unit, 2);
  EXPECT_EQ(m.temperatureRaw, -32768);
  EXPECT_EQ(m.valueRaw, -12345);
  EXPECT_EQ(m.componentRaw, (std::array<std::int16_t, 3>{1, -2, 32767}));
  EXPECT_EQ(m.effectiveRange(), 2);
}

TEST(MeasurementReadout, ReadingText) {
  struct Row {
    std::int16_t value;
    std::uint8_t range, unit;
    const char* shown;
  };
  const std::vector<Row> rows = {
      {19999, 0, 0, " 19.999  mT"},   {-1234, 0, 0, " -1.234  mT"}, {-12345, 0, 0, "- 12.345  mT"},
      {1234, 0, 2, "  12.34  Gs"},    {1234, 3, 0, "   1234  mT"},  {1234, 1, 1, "  12.34  kA/m"},
      {-19999, 0, 0, "- 19.999  mT"}, {1234, 9, 0, "   1234  mT"},  {1234, 0, 7, "  1.234"},
      {20000, 0, 0, "Overrange"},     {-20000, 0, 0, "Overrange"},  {32767, 3, 0, "Overrange"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << row.value << " r=" << int(row.range) << " u=" << int(row.unit));
    Processor p;
    Frame f;
    f.value = row.value;
    f.range = row.range;
    f.unit = row.unit;
    const auto u = p.run(f);
    EXPECT_EQ(text(u.SWynik), row.shown);
    EXPECT_EQ(u.effectiveRange, row.range + (row.unit == 2 ? 1 : 0));
  }
}

TEST(MeasurementReadout, Temperature) {
  Processor p;
  Frame f;
  f.temperature = 235;
  auto u = p.run(f);
  EXPECT_EQ(u.STempVisible, std::optional<bool>(true));
  EXPECT_EQ(text(u.STemp), "   23.5  C");
  f.temperature = -55;
  EXPECT_EQ(text(p.run(f).STemp), "   -5.5  C");
  f.temperature = kNoTemperature;
  u = p.run(f);
  EXPECT_EQ(u.STempVisible, std::optional<bool>(false));
  EXPECT_FALSE(u.STemp.changed);
}

TEST(MeasurementReadout, Indicators) {
  using C = IndicatorColour;
  struct Row {
    std::uint8_t a, b;
    C f2, f4, f6, f5, label5;
  };
  const std::vector<Row> rows = {
      {0x00, 0x00, C::Dim, C::Dim, C::Dim, C::Dim, C::Dim},
      {0x01, 0x00, C::Lit, C::Dim, C::Dim, C::Dim, C::Dim},
      {0x02, 0x00, C::Lit, C::Dim, C::Dim, C::Dim, C::Dim},
      {0x04, 0x00, C::Dim, C::Lit, C::Dim, C::Dim, C::Dim},
      {0x08, 0x00, C::Dim, C::Lit, C::Dim, C::Dim, C::Dim},
      {0x30, 0x00, C::Dim, C::Dim, C::Lit, C::Lit, C::Dim},
      {0xC0, 0xFE, C::Dim, C::Dim, C::Dim, C::Dim, C::Dim},
      {0x00, 0x01, C::Dim, C::Dim, C::Dim, C::Dim, C::Lit},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << int(row.a) << "/" << int(row.b));
    Processor p;
    Frame f;
    f.statusA = row.a;
    f.statusB = row.b;
    const auto u = p.run(f);
    EXPECT_EQ(u.F2, row.f2);
    EXPECT_EQ(u.F4, row.f4);
    EXPECT_EQ(u.F6, row.f6);
    EXPECT_EQ(u.F5, row.f5);
    EXPECT_EQ(u.Label5, row.label5);
    EXPECT_EQ(u.BP, C::Dim);
  }
  EXPECT_EQ(colourOf(C::Lit).g, 255);
  EXPECT_EQ(colourOf(C::Dim).r, 192);
}

TEST(MeasurementReadout, ModeAndAxisCaptions) {
  struct Row {
    std::uint8_t mode, axis;
    const char* modeText;
    std::optional<bool> falka;
    const char* axisText;
  };
  const std::vector<Row> rows = {
      {0, 0, "DC", false, "X"},
      {1, 1, "50 Hz", true, "Y"},
      {2, 2, "AC", true, "Z"},
      {3, 3, "<unchanged>", std::nullopt, "Vettore"},
      {200, 4, "<unchanged>", std::nullopt, "<unchanged>"},
  };
  for (const Row& row : rows) {
    Processor p;
    p.in.vectorWord = "Vettore";
    Frame f;
    f.mode = row.mode;
    f.axis = row.axis;
    const auto u = p.run(f);
    EXPECT_EQ(text(u.mode), row.modeText);
    EXPECT_EQ(u.FalkaVisible, row.falka);
    EXPECT_EQ(text(u.SOS), row.axisText);
    EXPECT_EQ(text(u.GroupBox1), row.axisText);
  }
}

TEST(MeasurementFilter, DigitalFilterMovesAndJumps) {
  Processor p;
  p.in.filtr = true;
  p.p.setFilterConstant(1.0);
  EXPECT_NEAR(p.p.filterFactor(), 1 - std::exp(-0.5), 1e-15);
  Frame f;  // DC, r = 0
  f.value = 10000;
  EXPECT_EQ(text(p.run(f).SWynik), " 10.000  mT");  // primes the filter at 10.0
  f.value = 10500;
  auto u = p.run(f);
  EXPECT_EQ(text(u.SWynik), " 10.197  mT");
  EXPECT_NEAR(*u.chartValue, 10.0 + 0.5 * (1 - std::exp(-0.5)), 1e-12);

  Processor q;
  q.in.filtr = true;
  f.value = 10000;
  q.run(f);
  f.value = 11000;  // gap above 0.36 in DC
  EXPECT_EQ(text(q.run(f).SWynik), " 11.000  mT");
  EXPECT_DOUBLE_EQ(q.p.state().FilterState, 11.0);

  // 50 Hz has the threshold 0.05: even 10.5 makes the filter jump.
  Processor h;
  h.in.filtr = true;
  f.mode = 1;
  f.value = 10000;
  h.run(f);
  f.value = 10500;
  EXPECT_EQ(text(h.run(f).SWynik), " 10.500  mT");
}

TEST(MeasurementFilter, ThresholdOverride) {
  struct Row {
    bool progWlacz;
    const char* tempProg;
    const char* shown;  // reading after 10.0 then 11.0 in DC
    const char* tempProgOut;
  };
  const std::vector<Row> rows = {
      {true, "0,7", " 10.393  mT", "<unchanged>"},  // 0.7: the gap 0.607 is within, no jump
      {true, " 2.5 ", " 10.393  mT", "<unchanged>"}, {true, "abc", " 11.000  mT", "Blad!"},
      {true, "1,2,3", " 11.000  mT", "Blad!"},       {true, "inf", " 11.000  mT", "Blad!"},
      {true, "Blad!", " 11.000  mT", "<unchanged>"}, {true, "", " 11.000  mT", "<unchanged>"},
      {false, "0,7", " 11.000  mT", "<unchanged>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tempProg);
    Processor p;
    p.in.filtr = true;
    p.in.progWlacz = row.progWlacz;
    p.in.tempProg = row.tempProg;
    Frame f;
    f.value = 10000;
    p.run(f);
    f.value = 11000;
    const auto u = p.run(f);
    EXPECT_EQ(text(u.SWynik), row.shown);
    EXPECT_EQ(text(u.TempProg), row.tempProgOut);
  }
}

TEST(MeasurementFilter, TovikReferenceFollowsTheOutput) {
  Processor p;
  p.in.ftovik = true;
  p.p.setTovik(1.0, 100);
  EXPECT_EQ(p.p.tovikFactor(), 12054);  // 32767 * e^-1 = 12054.37
  Frame f;
  f.range = 3;
  struct Step {
    std::int16_t raw;
    const char* shown;
  };
  // 1050 + 12054*(-50)/32768 = 1050 - 18.39 → 1032; then the reference is 1032, so
  // 1050 + 12054*(-18)/32768 → 1044. A jump beyond the threshold passes unchanged and
  // becomes the new reference.
  const std::vector<Step> steps = {{1000, "   1000  mT"}, {1050, "   1032  mT"},
                                   {1050, "   1044  mT"}, {1300, "   1300  mT"},
                                   {1300, "   1300  mT"}, {1250, "   1268  mT"}};
  for (const Step& s : steps) {
    f.value = s.raw;
    EXPECT_EQ(text(p.run(f).SWynik), s.shown) << s.raw;
  }
  EXPECT_EQ(p.p.state().TovikPrevious, 1268);
}

TEST(MeasurementFilter, FactorsForUnusualConstants) {
  MeasurementProcessor p;
  struct TauRow {
    double tau, factor;
  };
  for (const TauRow& row : std::vector<TauRow>{{0.0, 1.0},
                                               {-1.0, 1.0},
                                               {std::nan(""), 1.0},
                                               {std::numeric_limits<double>::infinity(), 0.0}}) {
    p.setFilterConstant(row.tau);
    EXPECT_DOUBLE_EQ(p.filterFactor(), row.factor) << row.tau;
  }
  struct TRow {
    double t;
    std::int32_t k;
  };
  for (const TRow& row : std::vector<TRow>{{0.0, 32767},
                                           {-3.0, 32767},
                                           {-1e308, 32767},
                                           {-std::numeric_limits<double>::infinity(), 32767},
                                           {std::numeric_limits<double>::infinity(), 0},
                                           {std::nan(""), 0},
                                           {50.0, 0}}) {
    p.setTovik(row.t, 5);
    EXPECT_EQ(p.tovikFactor(), row.k) << row.t;
  }
}

TEST(MeasurementFilter, BadConstantsNeverProduceNonFiniteReadings) {
  for (double tau : {0.0, -2.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-300}) {
    for (double t : {-5.0, std::nan(""), -std::numeric_limits<double>::infinity(), 0.0}) {
      Processor p;
      p.in.filtr = true;
      p.in.ftovik = true;
      p.p.setFilterConstant(tau);
      p.p.setTovik(t, 65535);
      Frame f;
      for (std::int16_t v :
           {std::int16_t{19999}, std::int16_t{-19999}, std::int16_t{0}, std::int16_t{5}}) {
        f.value = v;
        const auto u = p.run(f);
        if (u.chartValue) {
          EXPECT_TRUE(std::isfinite(*u.chartValue));
          EXPECT_LE(std::fabs(*u.chartValue), 20.0);
        }
      }
    }
  }
}

TEST(MeasurementStatistics, ResetThenMean) {
  Processor p;
  Frame f;
  f.value = 1000;
  auto u = p.run(f);
  EXPECT_EQ(p.p.state().Count, 1);
  EXPECT_EQ(text(u.Min), "  1.000");
  EXPECT_EQ(text(u.Max), "  1.000");
  EXPECT_EQ(text(u.Avr), "  1.000");
  f.value = -12000;
  u = p.run(f);
  EXPECT_EQ(p.p.state().Count, 2);
  EXPECT_EQ(text(u.Min), "-12.000") << "no PadMinusSign on the statistics";
  EXPECT_EQ(text(u.Max), "  1.000");
  EXPECT_EQ(text(u.Avr), " -5.500");

  p.in.dane = false;  // frozen
  f.value = 5000;
  u = p.run(f);
  EXPECT_FALSE(u.Min.changed);
  EXPECT_EQ(p.p.state().Count, 2);

  p.in.dane = true;
  p.p.requestStatsReset();
  u = p.run(f);
  EXPECT_EQ(p.p.state().Count, 1);
  EXPECT_EQ(text(u.Avr), "  5.000");
}

TEST(MeasurementStatistics, OverrangeSkipsChartStatisticsAndRecording) {
  Processor p;
  p.in.recording = true;
  p.in.filtr = true;
  Frame f;
  f.value = 1000;
  p.run(f);
  for (std::int16_t bad : {std::int16_t{20000}, std::int16_t{-20000}}) {
    f.value = bad;
    f.temperature = 300;
    const auto u = p.run(f);
    EXPECT_TRUE(u.overrange);
    EXPECT_EQ(text(u.SWynik), "Overrange");
    EXPECT_FALSE(u.chartValue.has_value());
    EXPECT_FALSE(u.Min.changed);
    EXPECT_FALSE(u.recordLine.changed);
    EXPECT_FALSE(u.STemp.changed);
    EXPECT_FALSE(u.STempVisible.has_value());
    EXPECT_TRUE(u.Label9.changed) << "components are updated for every frame";
  }
  EXPECT_EQ(p.p.state().Count, 1);
  EXPECT_DOUBLE_EQ(p.p.state().FilterState, 1.0);
}

TEST(MeasurementReadout, VectorComponentBounds) {
  struct Row {
    std::int16_t raw;
    const char* x;
    const char* y;
    const char* z;
  };
  const std::vector<Row> rows = {
      {2000, "Overrange", "  200.0  mT", "Overrange"},
      {1999, "  199.9  mT", "  199.9  mT", "  199.9  mT"},
      {-1999, " -199.9  mT", " -199.9  mT", " -199.9  mT"},
      {-2000, "Overrange", "Overrange", "Overrange"},
  };
  for (const Row& row : rows) {
    Processor p;
    Frame f;
    f.axis = 3;
    f.range = 2;
    f.x = f.y = f.z = row.raw;
    const auto u = p.run(f);
    EXPECT_EQ(text(u.Label9), row.x) << row.raw;
    EXPECT_EQ(text(u.Label8), row.y) << row.raw;
    EXPECT_EQ(text(u.Label7), row.z) << row.raw;
  }
  Processor p;
  Frame f;
  f.axis = 1;
  f.x = 5;
  const auto u = p.run(f);
  EXPECT_EQ(text(u.Label9), "");
  EXPECT_EQ(text(u.Label8), "");
  EXPECT_EQ(text(u.Label7), "");
}

TEST(MeasurementReadout, ChartAndRecordGates) {
  struct Row {
    bool live, hold, recording;
    bool chart;
    const char* line;
  };
  const std::vector<Row> rows = {
      {true, false, false, true, "<unchanged>"},
      {false, false, true, false, "- 12.345"},
      {true, true, true, false, "<unchanged>"},
      {true, false, true, true, "- 12.345"},
  };
  for (const Row& row : rows) {
    Processor p;
    p.in.liveView = row.live;
    p.in.wstrzymaj = row.hold;
    p.in.recording = row.recording;
    Frame f;
    f.value = -12345;
    const auto u = p.run(f);
    EXPECT_EQ(u.chartValue.has_value(), row.chart);
    EXPECT_EQ(text(u.recordLine), row.line);
  }
}

TEST(MeasurementDiagnostics, LargestJump) {
  Processor p;
  Frame f;
  f.value = 100;
  EXPECT_FALSE(p.run(f)._uiAmplitude.changed) << "the first frame has no predecessor";
  f.value = 150;
  EXPECT_EQ(text(p.run(f)._uiAmplitude), "50");
  f.value = 130;
  EXPECT_FALSE(p.run(f)._uiAmplitude.changed);
  f.value = -30000;  // overrange frames count too
  EXPECT_EQ(text(p.run(f)._uiAmplitude), "30130");
  p.p.resetAmplitude();
  f.value = -29990;
  EXPECT_EQ(text(p.run(f)._uiAmplitude), "10");
}

TEST(MeasurementFilter, SharedPrimedFlag) {
  // The Tovik filter primes the flag first; the digital filter then starts from its
  // old state (0) and its jump rule pulls it to the reading.
  Processor p;
  p.in.ftovik = true;
  p.p.setTovik(1.0, 10);
  Frame f;
  f.value = 5000;
  p.run(f);
  EXPECT_TRUE(p.p.state().FilterPrimed);
  p.in.filtr = true;
  EXPECT_EQ(text(p.run(f).SWynik), "  5.000  mT");
  p.p.clearFilterPrimed();
  EXPECT_FALSE(p.p.state().FilterPrimed);
}

TEST(MeasurementPerformance, SteadyStateMakesNoAllocation) {
  devlink::FrameReceiver rx;
  MeasurementProcessor proc;
  ProcessorInputs in;
  in.filtr = true;
  in.ftovik = true;
  in.recording = true;
  in.progWlacz = true;
  in.tempProg = "0,2";
  DisplayUpdate out;
  Frame f;
  f.axis = 3;
  std::array<std::uint8_t, 18> bytes{};
  rx.read = [&bytes](std::uint8_t* dst, int n) {
    std::memcpy(dst, bytes.data(), static_cast<std::size_t>(n));
    return n;
  };
  long frames = 0;
  rx.onMeasurementFrame = [&](const std::uint8_t* fr) {
    proc.processFrame(fr, in, out);
    ++frames;
  };
  const long before = g_allocations.load();
  for (int i = 0; i < 5000; ++i) {
    f.value = static_cast<std::int16_t>((i * 37) % 39999 - 19999);
    f.x = static_cast<std::int16_t>(i);
    bytes = f.bytes();
    rx.ComPort1RxChar(18);
  }
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_EQ(frames, 5000);
}

}  // namespace
