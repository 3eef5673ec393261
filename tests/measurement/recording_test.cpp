// Recording lines, data files on disk and the replay of their values in the chart.
#include "measurement/recording.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "measurement/formatting.h"
#include "measurement/wykres_model.h"
#include "tests/support/awkward_files.h"

namespace measurement {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "halvex-rec-XXXXXX").string();
    path_ = ::mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> linesOf(const LineStore& store) {
  std::vector<std::string> out;
  for (std::size_t i = 1; i <= store.LineCount(); ++i) out.emplace_back(store.Line(i));
  return out;
}

std::vector<std::string> filesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The chart's ring, oldest value first.
std::vector<double> ringValues(const WykresModel& chart) {
  std::vector<double> out;
  for (int i = chart.WritePos() + 1; i <= chart.Ilosc(); ++i) out.push_back(chart.Sample(i));
  for (int i = 1; i <= chart.WritePos(); ++i) out.push_back(chart.Sample(i));
  return out;
}

LineStore storeWithValues(int n) {
  LineStore store;
  for (int i = 1; i <= n; ++i) store.AppendLine(FormatLine(3, i));
  return store;
}

// --- line values --------------------------------------------------------------------------

TEST(ParseLineValueTest, ValidLeadingPartOfADecimalNumber) {
  const struct {
    std::string text;
    double value;
  } rows[] = {
      {"  1.500", 1.5},
      {" -1.500", -1.5},
      {" 12.346", 12.346},
      {"- 12.345", -12.345},
      {"   1234", 1234},
      {"12,5", 12},  // decimal comma: the valid part ends before it
      {"1.5e3", 1500},
      {"1.5E-2", 0.015},
      {"2 e 2", 200},  // blanks are removed first
      {"1e", 1},
      {"1e+", 1},
      {"1e5x", 1e5},
      {"+3", 3},
      {".5", 0.5},
      {"5.", 5},
      {"1.2.3", 1.2},
      {"12abc", 12},
      {"1 000", 1000},
      {"\t7", 7},
      {"", 0},
      {"   ", 0},
      {"-", 0},
      {".", 0},
      {"abc", 0},
      {"x12", 0},
      {"nan", 0},
      {"NaN", 0},
      {"inf", 0},
      {"-infinity", 0},
      {"1e999", 0},  // overflow gives no value rather than infinity
      {"-1e999", 0},
      {"0x1A", 0},
      {"\xEF\xBB\xBF"
       "2.5",
       2.5},  // BOM
      {std::string("\0\x01\xff", 3), 0},
      {std::string("3\0"
                   "4",
                   3),
       3},
      {"\r", 0},
      {"7\r", 7},
  };
  for (const auto& r : rows) {
    const double v = ParseLineValue(r.text);
    EXPECT_TRUE(std::isfinite(v)) << r.text;
    EXPECT_DOUBLE_EQ(v, r.value) << "\"" << r.text << "\"";
  }
  // A line far longer than any data line still parses.
  EXPECT_DOUBLE_EQ(ParseLineValue(std::string(1000, ' ') + "4.25"), 4.25);
  EXPECT_DOUBLE_EQ(ParseLineValue("1" + std::string(400, '0')), 0.0);  // 1e400 overflows
}

// --- recording ------------------------------------------------------------------------------

TEST(RecordingTest, LinesAreTheDisplayTextAndFilesEndEachWithCrLf) {
  TempDir dir;
  LineStore store;
  const struct {
    int r;
    double v;
    const char* text;
  } rows[] = {{0, 1.5, "  1.500"},
              {0, -1.5, " -1.500"},
              {0, 12.3456, " 12.346"},
              {0, -12.345, "- 12.345"},
              {3, 1234, "   1234"}};
  for (const auto& row : rows) {
    EXPECT_FALSE(store.appendRecordedValue(row.r, row.v, true));
    EXPECT_EQ(store.Line(store.LineCount()), row.text);
    EXPECT_EQ(FormatLine(row.r, row.v), row.text);
  }
  const fs::path file = dir.path() / "rec.HVD";
  ASSERT_TRUE(writeDataFile(file, store));
  EXPECT_EQ(readBytes(file), "  1.500\r\n -1.500\r\n 12.346\r\n- 12.345\r\n   1234\r\n");
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"rec.HVD"});

  // Reading it back gives the same lines and values.
  LineStore back;
  const ReadResult rr = readDataFile(file, back);
  EXPECT_TRUE(rr.ok);
  EXPECT_FALSE(rr.truncated);
  EXPECT_EQ(rr.lineCount, 5u);
  EXPECT_EQ(linesOf(back), linesOf(store));
}

TEST(RecordingTest, LimitEndsRecordingAt530WithFirstScreenElse65535) {
  LineStore first;
  for (int i = 1; i < 530; ++i) ASSERT_FALSE(first.appendRecordedLine("  1.000", true)) << i;
  EXPECT_TRUE(first.appendRecordedLine("  1.000", true));
  EXPECT_EQ(first.LineCount(), 530u);

  LineStore all;
  for (int i = 1; i < 65535; ++i) ASSERT_FALSE(all.appendRecordedLine("  1.000", false)) << i;
  EXPECT_TRUE(all.appendRecordedLine("  2.000", false));
  EXPECT_EQ(all.LineCount(), 65535u);
  // A full buffer stores nothing more and keeps saying "stop".
  EXPECT_TRUE(all.appendRecordedLine("  3.000", false));
  EXPECT_FALSE(all.AppendLine("x"));
  EXPECT_EQ(all.LineCount(), 65535u);
  EXPECT_EQ(all.Line(65535), "  2.000");

  // The first-screen box ticked after line 530: the next line ends the recording.
  LineStore late;
  for (int i = 0; i < 600; ++i) late.appendRecordedLine("1", false);
  EXPECT_TRUE(late.appendRecordedLine("1", true));

  EXPECT_EQ(recordingLineLimit(true), 530u);
  EXPECT_EQ(recordingLineLimit(false), 65535u);
  all.Clear();
  EXPECT_EQ(all.LineCount(), 0u);
  EXPECT_EQ(all.Line(1), "");
}

TEST(RecordingTest, FullBufferStaysWellUnderTenMegabytes) {
  LineStore store;
  for (int i = 0; i < 65535; ++i) store.appendRecordedValue(0, (i % 40000) - 20000.5, false);
  double state = 0;
  store.ParseReplayData(1.0, state);
  EXPECT_LT(store.memoryBytes(), 2u * 1024 * 1024);

  // Worst case: every line as long as the buffer keeps.
  LineStore worst;
  const std::string longLine(500, '7');
  for (int i = 0; i < 65535; ++i) worst.AppendLine(longLine);
  worst.ParseReplayData(1.0, state);
  EXPECT_EQ(worst.Line(1).size(), LineStore::kMaxLineLength);
  EXPECT_LT(worst.memoryBytes(), 10u * 1000 * 1000);
}

// --- replay smoothing -------------------------------------------------------------------------

TEST(ReplayDataTest, SmoothingStartsAtTheFirstValueAndUsesTheFilterConstant) {
  LineStore store;
  for (const char* l : {" 10.000", " 10.000", " 20.000", "12,5"}) store.AppendLine(l);
  double state = -99;
  store.ParseReplayData(1.0, state);
  ASSERT_EQ(store.ReplayCount(), 4u);
  EXPECT_EQ(store.ReplayValue(1), 10.0);  // first value reproduced exactly
  EXPECT_EQ(store.ReplayValue(2), 10.0);
  const double third = 20.0 - std::exp(-1.0) * (20.0 - 10.0);
  EXPECT_DOUBLE_EQ(store.ReplayValue(3), third);
  EXPECT_DOUBLE_EQ(store.ReplayValue(4), 12.0 - std::exp(-1.0) * (12.0 - third));
  EXPECT_DOUBLE_EQ(state, store.ReplayValue(4));
  EXPECT_EQ(store.ReplayValue(0), 0.0);
  EXPECT_EQ(store.ReplayValue(5), 0.0);

  // "Filtr cyfrowy" on with T = 2: factor e^(−2) on the previous state.
  LineStore step;
  for (const char* l : {"  0.000", "  1.000", "  1.000"}) step.AppendLine(l);
  step.ParseReplayData(2.0, state);
  EXPECT_EQ(step.ReplayValue(1), 0.0);
  EXPECT_DOUBLE_EQ(step.ReplayValue(2), 1.0 - std::exp(-2.0));
  EXPECT_DOUBLE_EQ(step.ReplayValue(3), 1.0 - std::exp(-2.0) * std::exp(-2.0));

  // No lines: nothing to replay, the state is left alone.
  LineStore empty;
  state = 3.5;
  empty.ParseReplayData(1.0, state);
  EXPECT_EQ(empty.ReplayCount(), 0u);
  EXPECT_EQ(state, 3.5);
}

// --- replay window ------------------------------------------------------------------------

TEST(ReplayWindowTest, WindowAndScrollBarForFileLengths) {
  const struct {
    std::size_t n, start;
    std::size_t first, last;
  } windows[] = {
      {600, 72, 72, 599}, {600, 1, 1, 528},  {100, 1, 1, 99},      {2, 1, 1, 1},
      {1, 1, 1, 1},       {528, 1, 1, 527},  {529, 1, 1, 528},     {529, 2, 2, 528},
      {100, 0, 1, 99},    {100, 60, 60, 99}, {100, 500, 100, 100}, {65535, 65007, 65007, 65534},
  };
  for (const auto& w : windows) {
    const ReplayWindow win = replayWindow(w.n, w.start, 529);
    EXPECT_EQ(win.first, w.first) << w.n << "@" << w.start;
    EXPECT_EQ(win.last, w.last) << w.n << "@" << w.start;
    EXPECT_EQ(win.count(), w.last - w.first + 1);
  }
  EXPECT_TRUE(replayWindow(0, 1, 529).empty());
  EXPECT_EQ(replayWindow(0, 1, 529).count(), 0u);
  EXPECT_EQ(replayWindow(10, 1, 1).last, 1u);  // degenerate width: never before start

  const struct {
    std::size_t n;
    bool visible;
    int maximum;
  } bars[] = {{600, true, 72}, {100, false, 1}, {0, false, 1},  {527, false, 1},
              {528, true, 1},  {529, true, 1},  {530, true, 2}, {65535, true, 65007}};
  for (const auto& b : bars) {
    const ReplayScrollBar bar = replayScrollBar(b.n, 529);
    EXPECT_EQ(bar.visible, b.visible) << b.n;
    EXPECT_EQ(bar.maximum, b.maximum) << b.n;
  }
}

// The replay as the program's steps describe it, painting after every value.
void showReplayWindowStepByStep(WykresModel& chart, const LineStore& store, std::size_t start) {
  const ReplayWindow win = replayWindow(store.ReplayCount(), start, chart.Width());
  chart.Clear();
  const bool wasAuto = chart.AutoSkala();
  if (wasAuto) {
    chart.SetAutoSkala(false);
    chart.SetMax(chart.Min() + 0.0001);
  }
  for (std::size_t i = win.first; i < win.last; ++i) chart.AddPoint(store.ReplayValue(i));
  if (wasAuto) chart.SetAutoSkala(true);
  chart.AddPoint(store.ReplayValue(win.last));
}

WykresModel replayChart(bool autoscale) {
  WykresModel chart(529, 217);
  chart.SetMax(0.1);
  chart.SetSkala(20.0);
  chart.SetAutoSkala(autoscale);
  if (!autoscale) chart.SetRange(700.0, -10.0);
  chart.Clear();
  return chart;
}

TEST(ReplayWindowTest, SixHundredLinesAtPosition72ShowValues73To599) {
  LineStore store = storeWithValues(600);
  double state = 0;
  store.ParseReplayData(1.0, state);
  const ReplayScrollBar bar = replayScrollBar(store.LineCount(), 529);
  EXPECT_TRUE(bar.visible);
  EXPECT_EQ(bar.maximum, 72);

  for (bool autoscale : {true, false}) {
    WykresModel chart = replayChart(autoscale);
    ShowReplayWindow(chart, store, 72, 529);
    const std::vector<double> shown = ringValues(chart);
    ASSERT_EQ(shown.size(), 527u);
    for (std::size_t k = 0; k < shown.size(); ++k) {
      ASSERT_EQ(shown[k], store.ReplayValue(73 + k)) << k;
    }
    EXPECT_EQ(chart.AutoSkala(), autoscale);

    // Deferred painting ends in the picture the step-by-step replay leaves.
    WykresModel reference = replayChart(autoscale);
    showReplayWindowStepByStep(reference, store, 72);
    EXPECT_EQ(chart.canvas(), reference.canvas()) << autoscale;
    EXPECT_EQ(chart.Min(), reference.Min());
    EXPECT_EQ(chart.Max(), reference.Max());
  }
}

TEST(ReplayWindowTest, ShortAndTinyFiles) {
  // 100 lines: values 1..99, no scroll bar.
  LineStore hundred = storeWithValues(100);
  double state = 0;
  hundred.ParseReplayData(1.0, state);
  EXPECT_FALSE(replayScrollBar(100, 529).visible);
  WykresModel chart = replayChart(true);
  ShowReplayWindow(chart, hundred, 1, 529);
  std::vector<double> want;
  for (int i = 1; i <= 99; ++i) want.push_back(hundred.ReplayValue(i));
  EXPECT_EQ(ringValues(chart), want);

  // One line: that value is drawn.
  LineStore one = storeWithValues(1);
  one.ParseReplayData(1.0, state);
  ShowReplayWindow(chart, one, 1, 529);
  EXPECT_EQ(ringValues(chart), std::vector<double>{1.0});
  EXPECT_EQ(chart.canvas().pixel(1, 108), rgbPixel(255, 255, 0));
  EXPECT_TRUE(chart.AutoSkala());

  // Empty file: an empty chart.
  LineStore none;
  none.ParseReplayData(1.0, state);
  ShowReplayWindow(chart, none, 1, 529);
  EXPECT_EQ(chart.Ilosc(), 0);
  EXPECT_TRUE(chart.AutoSkala());
  WykresModel empty = replayChart(true);
  EXPECT_EQ(chart.canvas(), empty.canvas());

  // The replayed values stay when a recording empties the line buffer meanwhile.
  LineStore six = storeWithValues(600);
  six.ParseReplayData(1.0, state);
  six.Clear();
  ShowReplayWindow(chart, six, 72, 529);
  EXPECT_EQ(chart.Ilosc(), 527);
}

// --- reading files ------------------------------------------------------------------------

TEST(ReadDataFileTest, LineEndsBomAndOddContent) {
  TempDir dir;
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } rows[] = {
      {"1.5\r\n2.5\r\n", {"1.5", "2.5"}},
      {"1.5\n2.5\n", {"1.5", "2.5"}},
      {"1.5\r2.5\r", {"1.5", "2.5"}},
      {"1.5\r\n2.5", {"1.5", "2.5"}},
      {"\xEF\xBB\xBF  1.500\r\n", {"  1.500"}},
      {"\xEF\xBB\xBF", {""}},
      {"", {}},
      {"\r\n", {""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("\0\x01\xff\r\n", 5), {std::string("\0\x01\xff", 3)}},
      {"  1.5\t\r\n12,5\r\ntext\r\n", {"  1.5\t", "12,5", "text"}},
  };
  for (const auto& r : rows) {
    const fs::path file = dir.path() / "in.HVD";
    writeBytes(file, r.bytes);
    LineStore store;
    store.AppendLine("stale");
    const ReadResult rr = readDataFile(file, store);
    EXPECT_TRUE(rr.ok);
    EXPECT_FALSE(rr.truncated);
    EXPECT_EQ(rr.lineCount, r.lines.size());
    EXPECT_EQ(linesOf(store), r.lines) << r.bytes;
  }

  // Values of the odd lines.
  LineStore odd;
  writeBytes(dir.path() / "odd.HVD", "  1.5\t\r\n12,5\r\ntext\r\n\r\n1e2\r\n");
  ASSERT_TRUE(readDataFile(dir.path() / "odd.HVD", odd).ok);
  std::vector<double> values;
  for (std::size_t i = 1; i <= odd.LineCount(); ++i) values.push_back(ParseLineValue(odd.Line(i)));
  EXPECT_EQ(values, (std::vector<double>{1.5, 12.0, 0.0, 0.0, 100.0}));
}

TEST(ReadDataFileTest, CrLfSplitAcrossReadsAndOverlongLines) {
  TempDir dir;
  const fs::path file = dir.path() / "split.HVD";
  // The CR is the last byte of the first 64 KiB read, its LF the first of the next.
  writeBytes(file, std::string(65535, '9') + "\r\n2\r\n");
  LineStore store;
  const ReadResult rr = readDataFile(file, store);
  ASSERT_TRUE(rr.ok);
  ASSERT_EQ(store.LineCount(), 2u);
  EXPECT_EQ(store.Line(1), std::string(LineStore::kMaxLineLength, '9'));
  EXPECT_EQ(store.Line(2), "2");
}

TEST(ReadDataFileTest, LongFilesLoadTheFirst65535LinesAndSaySo) {
  TempDir dir;
  std::string exact;
  for (int i = 1; i <= 65535; ++i) exact += std::to_string(i) + "\r\n";
  writeBytes(dir.path() / "exact.HVD", exact);
  writeBytes(dir.path() / "long.HVD", exact + "65536\r\n65537\r\n");
  writeBytes(dir.path() / "emptyextra.HVD", exact + "\r\n");

  LineStore store;
  ReadResult rr = readDataFile(dir.path() / "exact.HVD", store);
  EXPECT_TRUE(rr.ok);
  EXPECT_FALSE(rr.truncated);
  EXPECT_EQ(store.LineCount(), 65535u);

  rr = readDataFile(dir.path() / "long.HVD", store);
  EXPECT_TRUE(rr.ok);
  EXPECT_TRUE(rr.truncated);
  EXPECT_EQ(rr.lineCount, 65535u);
  EXPECT_EQ(store.Line(65535), "65535");

  rr = readDataFile(dir.path() / "emptyextra.HVD", store);
  EXPECT_TRUE(rr.truncated);  // one more (empty) line follows
  EXPECT_EQ(store.LineCount(), 65535u);
}

// What is no data file never stops the replay's open: a pipe and a device are refused at
// once, leaving the buffer as it was; a huge file is read only as far as a data file can
// reach, and said to be cut.
TEST(ReadDataFileTest, PipesDevicesAndHugeFilesNeverBlock) {
  using testutil::AwkwardFile;
  struct Row {
    AwkwardFile kind;
    bool ok;
    bool truncated;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {AwkwardFile::Fifo, false, false, {"kept"}},
      {AwkwardFile::DevZero, false, false, {"kept"}},
      // 64 GiB of zero bytes: one line as far as the limit, cut as every overlong line.
      {AwkwardFile::Huge, true, true, {std::string(LineStore::kMaxLineLength, '\0')}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testutil::awkwardName(r.kind));
    TempDir dir;
    const fs::path file = dir.path() / "x.HVD";
    ASSERT_TRUE(testutil::makeAwkwardFile(r.kind, file, std::uint64_t{64} << 30));
    LineStore store;
    store.AppendLine("kept");
    testutil::TimeBound bound(10, std::string("readDataFile on ") + testutil::awkwardName(r.kind));
    const ReadResult rr = readDataFile(file, store);
    EXPECT_EQ(rr.ok, r.ok);
    EXPECT_EQ(rr.truncated, r.truncated);
    EXPECT_EQ(rr.linesReplaced, r.ok);
    EXPECT_EQ(linesOf(store), r.lines);
  }
}

TEST(ReadDataFileTest, UnreadableFilesReportFailure) {
  TempDir dir;
  LineStore store;
  store.AppendLine("kept");
  ReadResult rr = readDataFile(dir.path() / "missing.HVD", store);
  EXPECT_FALSE(rr.ok);
  EXPECT_EQ(rr.error, ENOENT);
  EXPECT_EQ(linesOf(store), std::vector<std::string>{"kept"});  // nothing touched

  rr = readDataFile(dir.path(), store);  // a folder opens but cannot be read
  EXPECT_FALSE(rr.ok);
  EXPECT_NE(rr.error, 0);
}

// --- writing files ------------------------------------------------------------------------

TEST(WriteDataFileTest, ReplacesTheTargetAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path file = dir.path() / "data.HVD";
  writeBytes(file, "old\r\n");
  ::chmod(file.c_str(), 0640);
  const std::vector<std::string> lines = {"  1.000", "  2.000"};
  ASSERT_TRUE(writeDataFile(file, lines));
  EXPECT_EQ(readBytes(file), "  1.000\r\n  2.000\r\n");
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"data.HVD"});
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Through a symbolic link the linked file is replaced, the link stays.
  const fs::path link = dir.path() / "link.HVD";
  fs::create_symlink(file, link);
  ASSERT_TRUE(writeDataFile(link, std::vector<std::string>{"  3.000"}));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readBytes(file), "  3.000\r\n");

  // An empty list writes an empty file.
  ASSERT_TRUE(writeDataFile(dir.path() / "empty.HVD", std::vector<std::string>{}));
  EXPECT_EQ(readBytes(dir.path() / "empty.HVD"), "");
}

TEST(WriteDataFileTest, FailureLeavesThePreviousFileIntact) {
  TempDir dir;
  const fs::path file = dir.path() / "data.HVD";
  LineStore big;
  for (int i = 0; i < 5000; ++i) big.AppendLine("  1.234");

  // The disk fills up half-way (file size limit; applies to root too).
  writeBytes(file, "previous\r\n");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{};
    ::getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &lim);
    ::_exit(writeDataFile(file, big) ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);  // failure reported
  EXPECT_EQ(readBytes(file), "previous\r\n");
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"data.HVD"});

  // The target is a folder: the rename fails, the folder stays.
  const fs::path folder = dir.path() / "folder.HVD";
  fs::create_directory(folder);
  writeBytes(folder / "inside", "x");
  EXPECT_FALSE(writeDataFile(folder, big));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(readBytes(folder / "inside"), "x");
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"data.HVD", "folder.HVD"}));

  // A folder that does not exist.
  EXPECT_FALSE(writeDataFile(dir.path() / "nowhere" / "x.HVD", big));
  EXPECT_FALSE(writeDataFile(fs::path(), big));

  // A read-only folder (root may write anyway, so only checked for other users).
  if (::geteuid() != 0) {
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_FALSE(writeDataFile(file, big));
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readBytes(file), "previous\r\n");
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"data.HVD", "folder.HVD"}));
  }
}

TEST(WriteDataFileTest, DownloadedResultsWriteTheReceivedEntries) {
  EXPECT_EQ(downloadedResultCount(100), 0u);
  EXPECT_EQ(downloadedResultCount(103), 1u);
  EXPECT_EQ(downloadedResultCount(105), 1u);
  EXPECT_EQ(downloadedResultCount(130), 10u);
  EXPECT_EQ(downloadedResultCount(50), 0u);
  EXPECT_EQ(downloadedResultCount(65535), 1000u);
  EXPECT_EQ(downloadedResultCount(3100), 1000u);

  TempDir dir;
  std::vector<std::string> table(1000);
  table[0] = FormatLine(0, 1.5);
  table[1] = FormatLine(0, -12.345);
  table[2] = "not received";
  const fs::path file = dir.path() / "results.HVD";
  ASSERT_TRUE(WriteDownloadedResults(file, table, 2));
  EXPECT_EQ(readBytes(file), "  1.500\r\n- 12.345\r\n");
  ASSERT_TRUE(WriteDownloadedResults(file, std::span<const std::string>(table).first(3), 50));
  EXPECT_EQ(readBytes(file), "  1.500\r\n- 12.345\r\nnot received\r\n");
  EXPECT_FALSE(WriteDownloadedResults(dir.path() / "no" / "r.HVD", table, 2));
}

}  // namespace
}  // namespace measurement
