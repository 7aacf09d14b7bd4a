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
using kz_testing::ReadNative;
using kz_testing::TestFolder;
using kz_testing::WriteNative;

constexpr int kRead = static_cast<int>(0x80000000u);
constexpr int kWrite = 0x40000000;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ArchiveFile, WritesTheBytesOfTheMemoryArchiveAndReadsThemBack) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  KzArchiveMem memory(9, 0);
  WriteSample(memory);
  for (int i = 0; i < 300000; ++i) memory << i;  // several cache loads
  const Bytes expected = Contents(memory);
  const KzFilePath path(folder.Lib("sample.bin").c_str());
  for (unsigned int cache : {0u, 100u, KzArchiveFile::kDefaultCacheSize}) {
    SCOPED_TRACE(cache);
    KzArchiveFile out(9, cache);
    out.FileCreate(path, 0, 0x57445046, kWrite, 2, 2, 0);
    WriteSample(out);
    for (int i = 0; i < 300000; ++i) out << i;
    out.DoFlush();
    out.FileClose();
    EXPECT_EQ(ReadNative(folder.Native("sample.bin")), Text(expected));

    KzArchiveFile in(10, cache);
    in.FileOpen(path, kRead, 1, 3, 0);
    EXPECT_EQ(in.GetLength(), expected.size());
    ReadSample(in);
    int value = 0;
    for (int i = 0; i < 300000; ++i) {
      in >> value;
      ASSERT_EQ(value, i);
    }
    EXPECT_EQ(ErrorCodeOf([&] { in >> value; }), kKzErrorParameter);
  }
}

TEST(ArchiveFile, CloseWithoutFlushLosesTheCacheAndLoadSeeksStopAtTheEnd) {
  TestFolder folder;
  KzArchiveFile out(9, 512000);
  out.FileCreate(folder.Lib("lost.bin").c_str(), 0, 0, kWrite, 2, 2, 0);
  out << 1 << 2;
  out.FileClose();
  EXPECT_FALSE(out.IsValid());
  EXPECT_EQ(ReadNative(folder.Native("lost.bin")), "");

  WriteNative(folder.Native("ten.bin"), "0123456789");
  KzArchiveFile in;
  in.FileOpen(folder.Lib("ten.bin").c_str(), kRead, 1, 3, 0);
  EXPECT_EQ(in.Seek(10, 0), 10u);
  EXPECT_EQ(in.GetFile().GetPosition(), 9);  // the last byte
  in.Seek(4, 0);
  unsigned char c = 0;
  in >> c;
  EXPECT_EQ(c, '4');
}

TEST(ArchiveFile, OpenRefusesCreatingDispositionsAndMissingFiles) {
  TestFolder folder;
  WriteNative(folder.Native("a.bin"), "abcd");
  KzArchiveFile in;
  in.FileOpen(folder.Lib("a.bin").c_str(), kRead, 1, 3, 0);
  for (int disposition : {1, 2}) {
    EXPECT_EQ(
        ErrorCodeOf([&] { in.FileOpen(folder.Lib("b.bin").c_str(), kWrite, 1, disposition, 0); }),
        kKzErrorParameter);
  }
  EXPECT_TRUE(in.IsValid());  // the open file stays
  EXPECT_EQ(ReadNative(folder.Native("b.bin")), "<missing>");
  EXPECT_EQ(ErrorCodeOf([&] { in.FileOpen(folder.Lib("none.bin").c_str(), kRead, 1, 3, 0); }), 2);
  EXPECT_FALSE(in.IsValid());
  EXPECT_TRUE(in.GetFile().GetPath().IsEmpty());
}

TEST(ArchiveFile, FilesOfFourGigabytesAreRefused) {
  TestFolder folder;
  const int fd = ::open(folder.Native("huge.bin").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const bool sparse = ::ftruncate(fd, 0x100000000LL) == 0;
  ::close(fd);
  if (!sparse) GTEST_SKIP() << "no sparse files here";
  KzArchiveFile in;
  EXPECT_EQ(ErrorCodeOf([&] { in.FileOpen(folder.Lib("huge.bin").c_str(), kRead, 1, 3, 0); }),
            kKzErrorSizeNotSupported);
  EXPECT_FALSE(in.IsValid());
}

TEST(KzFileTest, ReportsFailuresAndTheModificationTime) {
  TestFolder folder;
  WriteNative(folder.Native("t.bin"), "xyz");
  const struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, folder.Native("t.bin").c_str(), times, 0), 0);
  KzFile file;
  KzTime time;
  EXPECT_EQ(ErrorCodeOf([&] { file.GetTime(time); }), 6);
  file.Open(folder.Lib("t.bin").c_str(), kRead, 1, 3, 0);
  file.GetTime(time);
  EXPECT_EQ(time.GetTimeValue(), 1700000000);
  EXPECT_EQ(file.GetLength(), 3);
  char buffer[8] = {};
  DWORD done = 0;
  file.Read(buffer, 8, &done);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(ErrorCodeOf([&] { file.Write("a", 1); }), 5);  // opened for reading
  EXPECT_EQ(ErrorCodeOf([&] { file.Seek(-1, 0); }), 131);
  file.Close();
  EXPECT_EQ(ErrorCodeOf([&] { file.Read(buffer, 1); }), 6);
}

}  // namespace
