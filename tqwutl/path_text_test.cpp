#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tqwutl/files.h"
#include "tqwutl/tqwutl.h"

// Rows: a path, its root, folder, name without extension and extension; the name is the last
// two together. "\x95\x5C" is a double-byte character whose trail byte is a backslash.
const char* const kSplitRows[][5] = {
    {"C:\\a", "C:\\", "C:\\", "a", ""},
    {"C:\\", "C:\\", "C:\\", "", ""},
    {"C:b.txt", "C:", "C:", "b", ".txt"},
    {"\\a", "\\", "\\", "a", ""},
    {"a", "", "", "a", ""},
    {"a\\\\\\b", "", "a", "b", ""},
    {"C:\\a\\b.tar.gz", "C:\\", "C:\\a", "b.tar", ".gz"},
    {"C:\\a.b\\c", "C:\\", "C:\\a.b", "c", ""},
    {"C:\\a\\.profile", "C:\\", "C:\\a", ".profile", ""},
    {"b.", "", "", "b", "."},
    {"a\\..", "", "a", "..", ""},  // periods only: no extension
    {"C:\\dir\\\x95\x5C", "C:\\", "C:\\dir", "\x95\x5C", ""},
    {"\x95\x5C\\x.txt", "", "\x95\x5C", "x", ".txt"},
    {"x\\\x95\x5C\\", "", "x\\\x95\x5C", "", ""},
    {"a\\\x95", "", "a", "\x95", ""},  // a lone lead byte at the end
    {"", "", "", "", ""},
};

TEST(PathText, SplitsIntoRootFolderNameAndExtension) {
  for (const auto& [path, root, folder, stem, extension] : kSplitRows) {
    SCOPED_TRACE(testing::PrintToString(path));
    auto part = [path = path](auto get) {
      char out[64] = "junk";
      EXPECT_EQ(get(path, out, sizeof out), 1);
      return std::string(out);
    };
    EXPECT_EQ(tqGetPathRootLength(path), static_cast<int>(std::strlen(root)));
    EXPECT_EQ(part(tqGetFolderfromFullPath), folder);
    EXPECT_EQ(part(tqGetFileNamefromFullPath), std::string(stem) + extension);
    EXPECT_EQ(part(tqGetFileNameDelExt), stem);
    EXPECT_EQ(part(tqCopyExtension), extension);
    EXPECT_EQ(tqGetLastError(), 0);
  }
}

TEST(PathText, RefusesBuffersThatAreTooSmallOrMissing) {
  char out[8] = "xxxxxxx";
  EXPECT_TRUE(tqGetFileNamefromFullPath("C:\\a\\b.txt", out, 5) == 0 && tqGetLastError() == 122);
  EXPECT_TRUE(out[0] == 0 && out[5] == 'x') << "no cut part, nothing written beyond the size";
  EXPECT_EQ(tqGetFileNamefromFullPath("C:\\a\\b.txt", out, 6), 1) << "exactly enough";
  EXPECT_TRUE(tqGetFolderfromFullPath(nullptr, out, 6) == 0 && tqGetLastError() == 87);
  EXPECT_TRUE(tqCopyExtension("a.b", nullptr, 6) == 0 && tqGetLastError() == 87);
}
