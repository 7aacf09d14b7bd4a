#include "kz/persistence/archive_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "kz/foundation/kztime.h"
#include "kz/persistence/archive_mem.h"
#include "kz/persistence/archive_testing.h"
#include "kz/persistence/file_path_testing.h"

namespace {

using namespace kz::testing;
using kz_testing::TestFolder;

constexpr int kRead = static_cast<int>(0x80000000u);
constexpr int kWrite = 0x40000000;

TEST(ArchiveFile, WritesWhatTheMemoryArchiveHoldsAndFailsWithTheSystemsCodes) {
  TestFolder folder;
  KzArchiveMem memory(9, 0);
  WriteSample(memory);
  const Bytes expected = Contents(memory);
  const KzFilePath path(folder.Lib("sample.bin").c_str());
  for (unsigned int cache : {0u, 7u, KzArchiveFile::kDefaultCacheSize}) {
    SCOPED_TRACE(cache);
    KzArchiveFile out(9, cache);
    out.FileCreate(path, 0, 0x57445046, kWrite, 2, 2, 0);
    WriteSample(out);
    out.DoFlush();
    out.FileClose();
    EXPECT_EQ(folder.Read("sample.bin"), std::string(expected.begin(), expected.end()));
    KzArchiveFile in(10, cache);
    in.FileOpen(path, kRead, 1, 3, 0);
    ReadSample(in);
    int value = 0;
    EXPECT_EQ(kzThrownCode([&] { in >> value; }), kKzErrorParameter) << "at the end";
  }

  // Opening refuses creating dispositions, missing files and files of 4 GiB; failures carry
  // the system's codes.
  folder.Write("t.bin", "xyz");
  const struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, folder.Native("t.bin").c_str(), times, 0), 0);
  KzArchiveFile in;  // one archive for every open
  in.FileOpen(folder.Lib("t.bin").c_str(), kRead, 1, 3, 0);
  EXPECT_EQ(kzThrownCode([&] { in.FileOpen(folder.Lib("b.bin").c_str(), kWrite, 1, 2, 0); }),
            kKzErrorParameter);
  EXPECT_TRUE(in.IsValid()) << "the open file stays";
  EXPECT_EQ(folder.Read("b.bin"), "<missing>");
  KzFile& file = in.GetFile();
  KzTime time;
  file.GetTime(time);
  EXPECT_EQ(time.GetTimeValue(), 1700000000);
  char buffer[8] = {};
  DWORD done = 0;
  file.Read(buffer, 8, &done);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(kzThrownCode([&] { file.Write("a", 1); }), 5);  // opened for reading
  EXPECT_EQ(kzThrownCode([&] { file.Seek(-1, 0); }), 131);
  EXPECT_EQ(kzThrownCode([&] { in.FileOpen(folder.Lib("none.bin").c_str(), kRead, 1, 3, 0); }), 2);
  EXPECT_FALSE(in.IsValid());
  EXPECT_EQ(kzThrownCode([&] { file.GetTime(time); }), 6) << "closed";

  const int fd = ::open(folder.Native("huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const bool sparse = ::ftruncate(fd, 0x100000000LL) == 0;
  ::close(fd);
  if (!sparse) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(kzThrownCode([&] { in.FileOpen(folder.Lib("huge.bin").c_str(), kRead, 1, 3, 0); }),
            kKzErrorSizeNotSupported);
  EXPECT_FALSE(in.IsValid());
}

}  // namespace
