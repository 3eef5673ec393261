// Reading a file the program is pointed at: only regular files, never past the limit, and
// whether the file went on beyond it.
#include "measurement/bounded_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/awkward_files.h"

namespace measurement {
namespace {

namespace fs = std::filesystem;

class BoundedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "halvex-bounded-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }
  fs::path dir_;
};

TEST_F(BoundedFileTest, ReadsARegularFileUpToTheLimit) {
  struct Row {
    std::string content;
    std::uint64_t limit;
    std::string bytes;
    bool cut;
  };
  const Row rows[] = {
      {"", 4, "", false},
      {"abc", 4, "abc", false},
      {"abcd", 4, "abcd", false},
      {"abcde", 4, "abcd", true},
      {"abcde", 0, "", true},
      {std::string(200000, 'x'), 150000, std::string(150000, 'x'), true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.content.size()) + " bytes, limit " + std::to_string(r.limit));
    const BoundedFileContents got = readBoundedFile(write("f", r.content), r.limit);
    EXPECT_EQ(got.status, BoundedFileReader::Status::Open);
    EXPECT_FALSE(got.readFailed);
    EXPECT_EQ(got.bytes, r.bytes);
    EXPECT_EQ(got.cut, r.cut);
  }
}

TEST_F(BoundedFileTest, RefusesAnythingButARegularFileWithoutWaiting) {
  using testutil::AwkwardFile;
  const fs::path fifo = dir_ / "fifo";
  const fs::path zero = dir_ / "zero";
  ASSERT_TRUE(testutil::makeAwkwardFile(AwkwardFile::Fifo, fifo, 0));
  ASSERT_TRUE(testutil::makeAwkwardFile(AwkwardFile::DevZero, zero, 0));
  fs::create_symlink(write("target", "linked"), dir_ / "link");
  struct Row {
    fs::path path;
    BoundedFileReader::Status status;
    int error;
  };
  const Row rows[] = {
      {fifo, BoundedFileReader::Status::NotRegular, EINVAL},
      {zero, BoundedFileReader::Status::NotRegular, EINVAL},
      {dir_, BoundedFileReader::Status::NotRegular, EISDIR},
      {dir_ / "missing", BoundedFileReader::Status::CannotOpen, ENOENT},
      {dir_ / "link", BoundedFileReader::Status::Open, 0},  // a link to a regular file is read
  };
  testutil::TimeBound bound(10, "opening a pipe or a device");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path.string());
    const BoundedFileReader file(r.path, 100);
    EXPECT_EQ(file.status(), r.status);
    EXPECT_EQ(file.error(), r.error);
  }
}

}  // namespace
}  // namespace measurement
