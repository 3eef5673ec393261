// The recording's journal: durable at most once a second, left behind by a program that died
// with its recording running, found (and only then) by the next start.
#include "measurement/recording_journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/scoped_env.h"

namespace {

namespace fs = std::filesystem;
using measurement::DurableAppender;
using measurement::LeftoverJournal;
using measurement::RecordingJournal;

std::string contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TempFolder {
  fs::path dir = fs::temp_directory_path() /
                 ("halvex-journal-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TempFolder() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~TempFolder() { fs::remove_all(dir); }
};

// What is on disk after each step: nothing before a second has passed since the last flush,
// everything appended so far once it has.
TEST(DurableAppender, FlushesAtMostOnceASecond) {
  TempFolder t;
  const fs::path file = t.dir / "out";
  std::int64_t now = 0;
  DurableAppender a([&now] { return now; });
  a.attach(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  struct Step {
    int at;
    const char* append;  // nullptr: poll only
    const char* onDisk;
  };
  for (const Step& s : {Step{0, "a", ""}, Step{500, "b", ""}, Step{999, nullptr, ""},
                        Step{1000, "c", "abc"}, Step{1500, "d", "abc"}, Step{1900, nullptr, "abc"},
                        Step{2000, nullptr, "abcd"}, Step{2100, "e", "abcd"}}) {
    now = s.at;
    if (s.append) {
      a.append(s.append);
    } else {
      a.poll();
    }
    EXPECT_EQ(contents(file), s.onDisk) << "at " << s.at;
  }
  a.close();
  EXPECT_EQ(contents(file), "abcde") << "closing flushes the rest";
}

// A full disk: the failure is kept for one report and nothing more is tried.
TEST(DurableAppender, AFullDiskIsKeptAsOneError) {
  DurableAppender a;
  a.attach(::open("/dev/full", O_WRONLY | O_CLOEXEC));
  a.append("line\r\n");
  EXPECT_FALSE(a.flush());
  EXPECT_EQ(a.error(), ENOSPC);
  a.append("more\r\n");
  EXPECT_FALSE(a.flush());
  EXPECT_EQ(a.error(), ENOSPC);
}

// A program killed with its recording running leaves its journal; a running one does not
// offer its own; the oldest is offered first; one set aside or removed is not offered again.
TEST(RecordingJournal, LeftBehindOnlyByAProgramThatDied) {
  TempFolder t;
  testutil::ScopedEnv state("XDG_STATE_HOME", t.dir.c_str());
  const fs::path folder = measurement::journalFolder();
  EXPECT_EQ(folder, t.dir / "Vantorel" / "Halvex");
  const auto started = std::chrono::system_clock::time_point(std::chrono::seconds(1'765'000'000));

  // A program that died: its journal holds every line made durable.
  const pid_t child = ::fork();
  if (child == 0) {
    std::int64_t now = 0;
    RecordingJournal j([&now] { return now; });
    if (!j.start(started)) ::_exit(1);
    for (const char* line : {"  1.000", "  2.000", "  3.000"}) j.append(line);
    now = 1000;
    j.poll();
    j.append("  4.000");  // not yet durable when the program dies
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  // This program's own running recording, newer: locked, never offered.
  RecordingJournal mine;
  ASSERT_TRUE(mine.start(started + std::chrono::hours(1)));
  mine.append("  9.000");

  std::optional<LeftoverJournal> left = LeftoverJournal::findOldest(folder);
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->startedAt(), started);
  measurement::LineStore lines;
  ASSERT_TRUE(left->read(lines).ok);
  ASSERT_EQ(lines.LineCount(), 3u);
  EXPECT_EQ(lines.Line(3), "  3.000");
  left->setAside();
  left.reset();
  EXPECT_FALSE(LeftoverJournal::findOldest(folder).has_value()) << "set aside, and mine is locked";

  mine.finish();
  EXPECT_FALSE(fs::exists(mine.path()));
  EXPECT_FALSE(LeftoverJournal::findOldest(folder).has_value());
}

}  // namespace
