#include "kz/persistence/find_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kz/persistence/file_path_testing.h"
#include "tqwutl/tqwutl.h"

namespace {

using kz_testing::TestFolder;

// One line per entry: name, full path and the flags folder, hidden, read-only, parent.
std::string List(const KzFilePath& folder) {
  std::string listing;
  KzFindFile find;
  if (!find.First(folder)) return "<failed>";
  do {
    char name[MAX_PATH];
    find.GetName(name);
    listing += std::string(name) + " " + static_cast<const char*>(find.GetFilePath()) + " " +
               std::to_string(find.IsFolder()) + std::to_string(find.IsHidden()) +
               std::to_string(find.IsReadOnly()) + std::to_string(find.IsParentFolder()) + "\n";
  } while (find.Next());
  EXPECT_EQ(tqGetLastError(), 18) << "the walk ends with 'no more files'";
  return listing;
}

TEST(FindFile, ListsEveryEntryWithItsFacts) {
  TestFolder folder;
  folder.Write("b.txt", "b");
  folder.Write(".hidden", "h");
  folder.Write("locked", "l");
  std::filesystem::create_directory(folder.Native("sub"));
  ASSERT_TRUE(folder.Path("locked").SetReadOnly(1));
  const std::string expected = ". " + folder.Lib(".") + " 1001\n.. " + folder.Lib("..") +
                               " 1001\n.hidden " + folder.Lib(".hidden") + " 0100\nb.txt " +
                               folder.Lib("b.txt") + " 0000\nlocked " + folder.Lib("locked") +
                               " 0010\nsub " + folder.Lib("sub") + " 1000\n";
  EXPECT_EQ(List(folder.Path()), expected);
  EXPECT_EQ(List(folder.Path("\\\\")), expected) << "trailing backslashes";

  // A double-byte folder name whose last byte is 0x5C.
  std::filesystem::create_directory(folder.Native("\xE8\xA1\xA8"));  // "\x95\x5C" in UTF-8
  folder.Write("\xE8\xA1\xA8/x.txt", "x");
  const std::string hyo = folder.Lib("\x95\x5C");
  EXPECT_EQ(List(hyo.c_str()),
            ". " + hyo + "\\. 1001\n.. " + hyo + "\\.. 1001\nx.txt " + hyo + "\\x.txt 0000\n");

  // A copy keeps the entry but not the search.
  KzFindFile find;
  ASSERT_TRUE(find.First(folder.Path()) && find.Next() && find.Next());
  KzFindFile copy(find);
  EXPECT_EQ(copy.Next(), 0);
  EXPECT_EQ(tqGetLastError(), 6);
  EXPECT_TRUE(find.Next()) << "the original goes on";

  EXPECT_EQ(find.First(folder.Path("missing")), 0);
  EXPECT_EQ(tqGetLastError(), 3);
  EXPECT_EQ(find.First(KzFilePath()), 0) << "an empty path is not the root";
  EXPECT_EQ(tqGetLastError(), 3);
  EXPECT_EQ(find.First(folder.Path(std::string(MAX_PATH, 'x'))), 0);
  EXPECT_EQ(tqGetLastError(), 206);
}

}  // namespace
