#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tqwutl/files.h"
#include "tqwutl/tqwutl.h"

namespace {

// Rows use "\x95\x5C", a double-byte character whose trail byte is a backslash.
struct SplitRow {
  const char* label;
  const char* path;
  int root;
  const char* folder;
  const char* name;
  const char* nameWithoutExtension;
  const char* extension;
};

const SplitRow kSplitRows[] = {
    {"file in folder", "C:\\a\\b.txt", 3, "C:\\a", "b.txt", "b", ".txt"},
    {"trailing separator", "C:\\a\\", 3, "C:\\a", "", "", ""},
    {"folder below the root", "C:\\a", 3, "C:\\", "a", "a", ""},
    {"drive root", "C:\\", 3, "C:\\", "", "", ""},
    {"drive relative", "C:b.txt", 2, "C:", "b.txt", "b", ".txt"},
    {"rooted without drive", "\\a", 1, "\\", "a", "a", ""},
    {"two leading separators", "\\\\a", 1, "\\", "a", "a", ""},
    {"bare name", "a", 0, "", "a", "a", ""},
    {"relative folders", "a\\b\\c.d", 0, "a\\b", "c.d", "c", ".d"},
    {"separator run", "a\\\\\\b", 0, "a", "b", "b", ""},
    {"last period counts", "C:\\a\\b.tar.gz", 3, "C:\\a", "b.tar.gz", "b.tar", ".gz"},
    {"period in the folder only", "C:\\a.b\\c", 3, "C:\\a.b", "c", "c", ""},
    {"leading period", "C:\\a\\.profile", 3, "C:\\a", ".profile", ".profile", ""},
    {"trailing period", "b.", 0, "", "b.", "b", "."},
    {"parent entry", "a\\..", 0, "a", "..", "..", ""},
    {"double-byte name ends in 0x5C",
     "C:\\dir\\"
     "\x95\x5C",
     3, "C:\\dir", "\x95\x5C", "\x95\x5C", ""},
    {"double-byte folder ends in 0x5C",
     "\x95\x5C"
     "\\x.txt",
     0, "\x95\x5C", "x.txt", "x", ".txt"},
    {"double-byte folder, trailing separator",
     "x\\"
     "\x95\x5C"
     "\\",
     0,
     "x\\"
     "\x95\x5C",
     "", "", ""},
    {"double-byte before the period",
     "C:\\"
     "\x95\x5C"
     ".txt",
     3, "C:\\",
     "\x95\x5C"
     ".txt",
     "\x95\x5C", ".txt"},
    {"lone lead byte at the end", "a\\\x95", 0, "a", "\x95", "\x95", ""},
    {"empty", "", 0, "", "", "", ""},
};

TEST(PathText, SplitsIntoRootFolderNameAndExtension) {
  for (const auto& row : kSplitRows) {
    char out[64];
    EXPECT_EQ(tqGetPathRootLength(row.path), row.root) << "at " << row.label;
    ASSERT_TRUE(tqGetFolderfromFullPath(row.path, out, sizeof out)) << "at " << row.label;
    EXPECT_STREQ(out, row.folder) << "folder at " << row.label;
    ASSERT_TRUE(tqGetFileNamefromFullPath(row.path, out, sizeof out)) << "at " << row.label;
    EXPECT_STREQ(out, row.name) << "name at " << row.label;
    ASSERT_TRUE(tqGetFileNameDelExt(row.path, out, sizeof out)) << "at " << row.label;
    EXPECT_STREQ(out, row.nameWithoutExtension) << "name without extension at " << row.label;
    const std::string stem = out;
    ASSERT_TRUE(tqCopyExtension(row.path, out, sizeof out)) << "at " << row.label;
    EXPECT_STREQ(out, row.extension) << "extension at " << row.label;
    EXPECT_EQ(stem + out, row.name) << "name and extension rebuild the name at " << row.label;
    EXPECT_EQ(tqGetLastError(), 0) << "at " << row.label;
  }
}

TEST(PathText, RefusesBuffersThatAreTooSmallOrMissing) {
  char out[8] = "xxxxxxx";
  EXPECT_EQ(tqGetFileNamefromFullPath("C:\\a\\b.txt", out, 5), 0);
  EXPECT_EQ(tqGetLastError(), 122);
  EXPECT_STREQ(out, "") << "a part that does not fit is not cut";
  EXPECT_EQ(out[5], 'x') << "nothing written beyond the size";
  EXPECT_EQ(tqGetFileNamefromFullPath("C:\\a\\b.txt", out, 6), 1) << "exactly enough";
  EXPECT_EQ(tqGetFolderfromFullPath(nullptr, out, 6), 0);
  EXPECT_EQ(tqGetLastError(), 87);
  EXPECT_EQ(tqCopyExtension("a.b", nullptr, 6), 0);
  EXPECT_EQ(tqGetLastError(), 87);
}

}  // namespace
