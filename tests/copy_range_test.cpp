// The merge's copy of a stretch of one file onto another: inside the kernel
// between files, by the read/write loop where the kernel declines (into a
// pipe), and the side that failed when a copy stops short.
#include "copy_range.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "test_support.h"

namespace {

using testing_support::TempDir;

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

std::string contents(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
  std::fclose(f);
  return bytes;
}

struct Files {
  TempDir dir;
  std::string data = pattern(300000);
  FILE* from = nullptr;
  Files() {
    FILE* f = std::fopen(dir.file("in").c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    from = std::fopen(dir.file("in").c_str(), "rb");
  }
  ~Files() { std::fclose(from); }
};

TEST(MergeCopyRange, StretchesFollowWhatTheStreamHeld) {
  Files files;
  FILE* to = std::fopen(files.dir.file("out").c_str(), "wb");
  ASSERT_NE(to, nullptr);
  std::fputs("head", to);  // still in the stream's buffer
  CopyFault fault;
  EXPECT_TRUE(copyRange(files.from, 1000, 250000, to, &fault));
  EXPECT_TRUE(copyRange(files.from, 0, 10, to, &fault));
  EXPECT_TRUE(copyRange(files.from, 299990, 10, to, &fault));
  std::fclose(to);
  EXPECT_EQ(contents(files.dir.file("out")), "head" + files.data.substr(1000, 250000) +
                                                 files.data.substr(0, 10) +
                                                 files.data.substr(299990));
}

TEST(MergeCopyRange, IntoAPipeByTheLoop) {
  Files files;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  FILE* to = fdopen(ends[1], "wb");
  ASSERT_NE(to, nullptr);
  CopyFault fault;
  // Less than the pipe holds: nobody reads it meanwhile.
  EXPECT_TRUE(copyRange(files.from, 12345, 40000, to, &fault));
  std::fclose(to);
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
  close(ends[0]);
  EXPECT_EQ(got, files.data.substr(12345, 40000));
}

TEST(MergeCopyRange, AnInputThatEndsFirstIsAReadFailure) {
  Files files;
  FILE* to = std::fopen(files.dir.file("out").c_str(), "wb");
  CopyFault fault;
  EXPECT_FALSE(copyRange(files.from, 299900, 200, to, &fault));
  EXPECT_TRUE(fault.reading);
  EXPECT_EQ(fault.error, EIO);
  std::fclose(to);
}

TEST(MergeCopyRange, AResultThatCannotBeWrittenIsAWriteFailure) {
  Files files;
  FILE* to = std::fopen(files.dir.file("in").c_str(), "rb");  // not open for writing
  CopyFault fault;
  fault.reading = true;
  EXPECT_FALSE(copyRange(files.from, 0, 100, to, &fault));
  EXPECT_FALSE(fault.reading);
  EXPECT_EQ(fault.error, EBADF);
  std::fclose(to);
}

}  // namespace
