#include "kz/persistence/file_path.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/foundation/kztime.h"
#include "kz/persistence/file_path_testing.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

using kz_testing::ReadNative;
using kz_testing::TestFolder;
using kz_testing::WriteNative;
namespace fs = std::filesystem;

// Rows use "\x95\x5C", a double-byte character whose trail byte is a backslash, and
// "\x83\x41" / "\x83\x61", two double-byte characters whose trail bytes are ASCII letters.

std::string Text(const KzFilePath& path) { return static_cast<const char*>(path); }

// --- text rules -----------------------------------------------------------------------------

TEST(FilePathJoin, DropsTheDelimitersBetweenAndAtTheEnd) {
  const struct {
    const char *label, *path, *sub, *joined;
  } rows[] = {
      {"both sides have delimiters", "C:\\a\\", "\\b\\", "C:\\a\\b"},
      {"empty path takes the argument as it is", "", "\\b\\", "\\b\\"},
      {"empty argument changes nothing", "C:\\a\\", "", "C:\\a\\"},
      {"drive root", "C:\\", "a", "C:\\a"},
      {"double-byte end of the path is kept", "a\\\x95\x5C", "b", "a\\\x95\x5C\\b"},
      {"double-byte end of the argument is kept", "C:\\a", "\x95\x5C\\\\", "C:\\a\\\x95\x5C"},
  };
  for (const auto& row : rows) {
    KzFilePath path(row.path);
    path += row.sub;
    EXPECT_EQ(Text(path), row.joined) << "at " << row.label;
  }
  KzFilePath self("a\\b\\");
  self += self;
  EXPECT_EQ(Text(self), "a\\b\\a\\b") << "joining a path to itself";
}

TEST(FilePathDelimiters, RemoveOnlySingleByteBackslashRuns) {
  const struct {
    const char *label, *text, *back;
    int backCount;
    const char* front;
    int frontCount;
  } rows[] = {
      {"two at the end", "a\\b\\\\", "a\\b", 2, "a\\b\\\\", 0},
      {"trail byte 0x5C is not one", "\x95\x5C", "\x95\x5C", 0, "\x95\x5C", 0},
      {"after a trail byte 0x5C", "\x95\x5C\\", "\x95\x5C", 1, "\x95\x5C\\", 0},
      {"only delimiters", "\\\\", "", 2, "", 2},
      {"at the start", "\\\\a\\", "\\\\a", 1, "a\\", 2},
      {"empty", "", "", 0, "", 0},
  };
  for (const auto& row : rows) {
    char buffer[16];
    KzString text(row.text);
    std::strcpy(buffer, row.text);
    EXPECT_EQ(KzFilePath::DeleteBackDelimiter(buffer), row.backCount) << "at " << row.label;
    EXPECT_EQ(KzFilePath::DeleteBackDelimiter(text), row.backCount) << "at " << row.label;
    EXPECT_STREQ(buffer, row.back) << "at " << row.label;
    EXPECT_STREQ(text, row.back) << "KzString form at " << row.label;
    text = row.text;
    std::strcpy(buffer, row.text);
    EXPECT_EQ(KzFilePath::DeleteFrontDelimiter(buffer), row.frontCount) << "at " << row.label;
    EXPECT_EQ(KzFilePath::DeleteFrontDelimiter(text), row.frontCount) << "at " << row.label;
    EXPECT_STREQ(buffer, row.front) << "at " << row.label;
    EXPECT_STREQ(text, row.front) << "KzString form at " << row.label;
  }
}

TEST(FilePathSubPaths, ConvertBetweenBackslashesAndColons) {
  const struct {
    const char* label;
    bool toMac;
    const char *text, *converted;
  } rows[] = {
      {"win to mac", true, "a\\b\\c", "a:b:c"},
      {"win to mac skips a trail byte 0x5C", true, "\x95\x5C\\x", "\x95\x5C:x"},
      {"mac to win", false, "a:b\\c", "a\\b\\c"},
      {"colon at 1 before a colon stays", false, "C::x", "C:\\x"},
      {"colon at 1 before another character goes", false, "C:x", "C\\x"},
  };
  for (const auto& row : rows) {
    char buffer[16];
    std::strcpy(buffer, row.text);
    row.toMac ? KzFilePath::ConvertWinToMacSubPath(buffer)
              : KzFilePath::ConvertMacToWinSubPath(buffer);
    EXPECT_STREQ(buffer, row.converted) << "at " << row.label;
  }
}

TEST(FilePathSplit, BuffersOf260BytesAreNeverOverrunRootsAndAliasing) {
  const KzFilePath path(("C:\\a\\" + std::string(270, 'n') + ".txt").c_str());
  char buffer[MAX_PATH + 1];
  buffer[MAX_PATH] = 'x';
  EXPECT_EQ(kzThrownCode([&] { path.GetFullPath(buffer); }), kKzErrorParameter);
  EXPECT_STREQ(buffer, "") << "nothing cut";
  EXPECT_EQ(kzThrownCode([&] { path.GetFileName(buffer); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { path.GetNativePath(buffer); }), kKzErrorParameter);
  EXPECT_EQ(buffer[MAX_PATH], 'x');
  path.GetNameAndExtension(nullptr, buffer);
  EXPECT_STREQ(buffer, ".txt") << "a part that fits is given";
  const std::string fits(MAX_PATH - 1, 'f');
  KzFilePath(fits.c_str()).GetFullPath(buffer);
  EXPECT_EQ(buffer, fits) << "259 characters fit";
  KzFilePath self("C:\\a\\b"), root;
  self.GetFolderPath(self);
  EXPECT_EQ(Text(self), "C:\\a") << "into itself";
  EXPECT_EQ(self.GetRootPath(root) + KzFilePath("a\\b").GetRootPath(self), 1);
  EXPECT_EQ(Text(root), "C:\\");
  EXPECT_TRUE(root.IsRoot() && KzFilePath("\\").IsRoot() && !KzFilePath("C:\\a").IsRoot());
}

TEST(FilePathNames, ChangeNameAndExtension) {
  using Change = void (*)(KzFilePath&);
  const struct {
    const char *label, *path;
    Change change;
    const char* result;
  } rows[] = {
      {"file name", "C:\\a\\x.png", [](KzFilePath& p) { p.SetFileName("y.txt"); }, "C:\\a\\y.txt"},
      {"bare name", "x.png", [](KzFilePath& p) { p.SetFileName("y"); }, "y"},
      {"extension without period", "C:\\x",
       [](KzFilePath& p) { p.SetNameAndExtension("y", "jpg"); }, "C:\\y.jpg"},
      {"extension with period", "C:\\x", [](KzFilePath& p) { p.SetNameAndExtension("y", ".jpg"); },
       "C:\\y.jpg"},
      {"new name keeps the extension", "C:\\x.png", [](KzFilePath& p) { p.ChangeName("y"); },
       "C:\\y.png"},
      {"last extension replaced", "C:\\x.tar.gz", [](KzFilePath& p) { p.ChangeExtension("bz2"); },
       "C:\\x.tar.bz2"},
      {"extension removed", "C:\\x.png", [](KzFilePath& p) { p.ChangeExtension(""); }, "C:\\x"},
      {"double-byte name", "C:\\\x95\x5C.png", [](KzFilePath& p) { p.ChangeExtension("jpg"); },
       "C:\\\x95\x5C.jpg"},
  };
  for (const auto& row : rows) {
    KzFilePath path(row.path);
    row.change(path);
    EXPECT_EQ(Text(path), row.result) << "at " << row.label;
  }
  const KzFilePath png("C:\\a\\x.PNG");
  EXPECT_TRUE(png.IsExtensionFile("png") && png.IsExtensionFile(".Png"));
  EXPECT_FALSE(png.IsExtensionFile("pn") || png.IsExtensionFile(nullptr));
  EXPECT_TRUE(KzFilePath("C:\\a\\x").IsExtensionFile(""));
}

TEST(FilePathCompare, IgnoresCaseAndTrailingDelimiters) {
  const struct {
    const char *label, *a, *b;
    bool equal;
  } rows[] = {
      {"case and trailing backslash", "C:\\A\\", "c:\\a", true},
      {"different names", "C:\\a", "C:\\b", false},
      {"several trailing backslashes", "a\\\\", "A", true},
      {"trail byte 0x5C is not a delimiter", "\x95\x5C", "\x95", false},
      {"trail bytes are not letters", "\x83\x41", "\x83\x61", false},
  };
  for (const auto& row : rows) {
    const KzFilePath a(row.a);
    EXPECT_EQ(a == KzFilePath(row.b), row.equal) << "at " << row.label;
    EXPECT_EQ(a != KzFilePath(row.b), !row.equal) << "at " << row.label;
    EXPECT_EQ(row.b == a, row.equal) << "text form at " << row.label;
  }
}

TEST(FilePathRelations, RelativePathsAndChildFolders) {
  const struct {
    const char *label, *from, *to, *relative;
  } rows[] = {
      {"sibling", "\\a\\b", "\\a\\c\\d.txt", "..\\c\\d.txt"},
      {"same folder", "\\a\\b\\", "\\a\\b", ""},
      {"above, drive letter as the root", "C:\\a\\b\\c", "\\a", "..\\.."},
      {"case makes a difference", "\\A", "\\a\\b", "..\\a\\b"},
      {"dots and double-byte names", "\\\x95\x5C\\.\\b\\..", "\\\x95\x5C\\x", "x"},
  };
  for (const auto& row : rows) {
    KzString relative("junk");
    ASSERT_TRUE(KzFilePath::MakeRelativePath(relative, row.from, row.to)) << "at " << row.label;
    EXPECT_STREQ(relative, row.relative) << "at " << row.label;
  }
  EXPECT_EQ(KzFilePath("\\a\\b\\c\\").IsChildFolder("\\a\\"), 1);
  EXPECT_EQ(KzFilePath("\\a").IsChildFolder("\\"), 1);
  EXPECT_EQ(KzFilePath("\\a").IsChildFolder("\\a\\"), 0) << "itself";
  EXPECT_EQ(KzFilePath("\\ab").IsChildFolder("\\a"), 0) << "a name prefix only";
  KzFilePath remade("\\a\\.\\b\\..\\c\\\\"), root("C:\\");
  ASSERT_TRUE(remade.RemakePath() && root.RemakePath());
  EXPECT_EQ(Text(remade), "\\a\\c");
  EXPECT_EQ(Text(root), "C:\\") << "a root keeps its backslash";
}

TEST(FilePathNative, ConvertsAtTheBoundary) {
  char native[MAX_PATH];
  ASSERT_TRUE(KzFilePath("C:\\a\\\x95\x5C").GetNativePath(native));
  EXPECT_STREQ(native, "/a/\xE8\xA1\xA8");
  KzFilePath back;
  ASSERT_TRUE(back.SetNativePath("/a/\xE8\xA1\xA8/b"));
  EXPECT_EQ(Text(back), "\\a\\\x95\x5C\\b");
  EXPECT_EQ(back.SetNativePath("/a/\xFF"), 0) << "not UTF-8";
  EXPECT_EQ(tqGetLastError(), 1113);
  EXPECT_EQ(Text(back), "\\a\\\x95\x5C\\b") << "unchanged";
  EXPECT_EQ(KzFilePath("C:\\\x95").GetNativePath(native), 0) << "a lone lead byte";
  EXPECT_EQ(tqGetLastError(), 123);
}

// --- on disk ----------------------------------------------------------------------------------

TEST(FilePathSequence, NextFreeNumberInARealFolder) {
  const struct {
    const char* label;
    std::vector<const char*> files;  // a name ending in '/' is a folder
    int digits;
    const char *extension, *prefix;
    bool second;  // GetSequencialFilePath2
    const char* expected;
  } rows[] = {
      {"gap", {"img001.png", "img002.png", "img004.png"}, 3, "png", "img", false, "img003.png"},
      {"no gap", {"img001.png", "img002.png"}, 3, "png", "img", false, "img003.png"},
      {"empty folder", {}, 3, "png", "img", false, "img001.png"},
      {"other extensions", {"img001.png", "img007.jpg"}, 3, "png", "img", false, "img002.png"},
      {"extension case, period", {"IMG001.PNG"}, 3, ".png", "img", false, "img002.png"},
      {"other prefixes", {"img001.png", "pic005.png"}, 3, "png", "img", false, "img002.png"},
      {"hidden files", {"001.png", ".002.png"}, 3, "png", nullptr, false, "002.png"},
      {"folders with an extension", {"img005.png/"}, 3, "png", "img", false, "img001.png"},
      {"folders without an extension", {"img005/"}, 3, nullptr, "img", false, "img006"},
      {"last run, letters passed over", {"v2_img10a.png"}, 2, "png", nullptr, false, "11.png"},
      {"not starting at 1", {"a3.txt", "a4.txt"}, 1, "txt", "a", false, "a5.txt"},
      {"no digits", {"img.png", "img7.png"}, 3, "png", "img", false, "img008.png"},
      {"huge numbers", {"img99999999999.png"}, 3, "png", "img", false, "img001.png"},
      {"zero digits", {"a7.txt"}, 0, "txt", nullptr, false, "8.txt"},
      {"second: first run after the prefix", {"img12_v3.png"}, 3, "png", "img", true, "img013.png"},
      {"first: last run", {"img12_v3.png"}, 3, "png", "img", false, "img004.png"},
      {"second: the extension is read too", {"img.mp3"}, 3, "mp3", "img", true, "img004.mp3"},
  };
  for (const auto& row : rows) {
    TestFolder folder;
    ASSERT_TRUE(folder.ok());
    for (std::string name : row.files) {
      if (name.back() == '/') {
        fs::create_directory(folder.Native(name));
      } else {
        WriteNative(folder.Native(name), "x");
      }
    }
    KzFilePath result;
    const auto call =
        row.second ? &KzFilePath::GetSequencialFilePath2 : &KzFilePath::GetSequencialFilePath;
    ASSERT_TRUE((result.*call)(folder.Path(), row.digits, row.extension, row.prefix))
        << "at " << row.label;
    EXPECT_EQ(Text(result), folder.Lib(row.expected)) << "at " << row.label;
  }
}

TEST(FilePathSequence, SkipsFilesMarkedHiddenAndRefusesBadInput) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  WriteNative(folder.Native("img001.png"), "x");
  WriteNative(folder.Native("img002.png"), "x");
  ASSERT_TRUE(folder.Path("img002.png").SetHidden(1));
  KzFilePath result = folder.Path();
  ASSERT_TRUE(result.GetSequencialFilePath(result, 3, "png", "img")) << "into the folder itself";
  EXPECT_EQ(Text(result), folder.Lib("img002.png"));
  ASSERT_TRUE(result.Delete()) << "marks live by file identity: let the platform drop it";
  KzFilePath untouched("keep");
  EXPECT_EQ(untouched.GetSequencialFilePath(folder.Path("missing"), 3, "png", "img"), 0);
  EXPECT_EQ(tqGetLastError(), 3);
  EXPECT_EQ(Text(untouched), "keep");
  EXPECT_EQ(kzThrownCode([&] { untouched.GetSequencialFilePath(folder.Path(), -1, "", ""); }),
            kKzErrorParameter);
}

TEST(FilePathCopy, IconFilesAreSkippedAndExistingTargetsProtected) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  WriteNative(folder.Native("a"), "A");
  WriteNative(folder.Native("b"), "B");
  const KzFilePath a = folder.Path("a"), b = folder.Path("b");
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFileA(a, b, 1); }), kKzErrorFileExists);
  EXPECT_EQ(ReadNative(folder.Native("a")) + ReadNative(folder.Native("b")), "AB");
  EXPECT_EQ(KzFilePath::CopyFileA(a, b, 0), 1);
  EXPECT_EQ(ReadNative(folder.Native("b")), "A");
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFileA(folder.Path("none"), b, 0); }), 2);
  for (const char* icon : {"Icon?", "ICON?", "Icon\r"}) {
    WriteNative(folder.Native(icon), "I");
    EXPECT_EQ(KzFilePath::CopyFileA(folder.Path(icon), folder.Path("copy"), 0), 0) << icon;
    EXPECT_EQ(tqGetLastError(), 0) << "at " << icon;
    EXPECT_FALSE(fs::exists(folder.Native("copy"))) << "at " << icon;
  }
  WriteNative(folder.Native("Icons"), "I");
  EXPECT_EQ(KzFilePath::CopyFileA(folder.Path("Icons"), folder.Path("copy"), 0), 1);
}

TEST(FilePathMove, ExistingTargetsThrowOrAreReplacedWhole) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  WriteNative(folder.Native("a"), "A");
  WriteNative(folder.Native("b"), "B");
  const KzFilePath a = folder.Path("a"), b = folder.Path("b");
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(a, b, 1); }), kKzErrorFileExists);
  EXPECT_EQ(ReadNative(folder.Native("a")) + ReadNative(folder.Native("b")), "AB");
  // A move that cannot happen must not cost the target, nor a move onto itself the file.
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(folder.Path("none"), b, 0); }), 2);
  EXPECT_EQ(KzFilePath::MoveFileA(a, a, 0), 1);
  EXPECT_EQ(ReadNative(folder.Native("a")) + ReadNative(folder.Native("b")), "AB");
  fs::create_directory(folder.Native("dir"));
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(a, folder.Path("dir"), 0); }), 5);
  EXPECT_EQ(KzFilePath::MoveFileA(a, b, 0), 1);
  EXPECT_EQ(ReadNative(folder.Native("a")) + ReadNative(folder.Native("b")), "<missing>A");
}

TEST(FilePathFolders, CopyMoveAndDeleteWholeTrees) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  fs::create_directories(folder.Native("src/sub/deep"));
  WriteNative(folder.Native("src/top.txt"), "T");
  WriteNative(folder.Native("src/sub/deep/low.txt"), "L");
  WriteNative(folder.Native("src/Icon\r"), "I");
  const KzFilePath source = folder.Path("src");
  ASSERT_EQ(KzFilePath::CopyFolder(source, folder.Path("copy")), 1);
  EXPECT_EQ(ReadNative(folder.Native("copy/sub/deep/low.txt")), "L");
  EXPECT_FALSE(fs::exists(folder.Native("copy/Icon\r")));
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFolder(source, folder.Path("src\\sub\\x")); }),
            kKzErrorParameter)
      << "into itself";

  // Onto an existing folder: merged, the source gone.
  fs::create_directory(folder.Native("merged"));
  WriteNative(folder.Native("merged/own.txt"), "O");
  WriteNative(folder.Native("merged/top.txt"), "old");
  ASSERT_EQ(KzFilePath::MoveFolder(folder.Path("copy"), folder.Path("merged")), 1);
  EXPECT_FALSE(fs::exists(folder.Native("copy")));
  EXPECT_EQ(ReadNative(folder.Native("merged/own.txt")), "O");
  EXPECT_EQ(ReadNative(folder.Native("merged/top.txt")), "T");
  EXPECT_EQ(ReadNative(folder.Native("merged/sub/deep/low.txt")), "L");

  // A read-only file inside goes too; a link to a folder goes without what it leads to.
  const KzFilePath merged = folder.Path("merged");
  ASSERT_TRUE(folder.Path("merged\\own.txt").SetReadOnly(1));
  fs::create_directory_symlink(folder.Native("src"), folder.Native("merged/link"));
  fs::create_directory_symlink(folder.Native("src"), folder.Native("link"));
  ASSERT_EQ(merged.Delete(), 1);
  ASSERT_EQ(folder.Path("link").Delete(), 1);
  EXPECT_FALSE(fs::exists(folder.Native("merged")) || fs::exists(folder.Native("link")));
  EXPECT_EQ(ReadNative(folder.Native("src/sub/deep/low.txt")), "L");
  EXPECT_EQ(merged.Delete(), 0);
  EXPECT_EQ(tqGetLastError(), 2);
  EXPECT_EQ(kzThrownCode([&] { merged.Delete(1); }), 2);
}

TEST(FilePathFolders, CreateFolderAndRename) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE(folder.Path("a\\b").CreateFolder());
  ASSERT_TRUE(folder.Path("x\\y\\file.txt").CreateFolder2());
  EXPECT_TRUE(folder.Path("a\\b").IsFolder() && folder.Path("x\\y").IsFolder());
  EXPECT_FALSE(fs::exists(folder.Native("x/y/file.txt")));

  WriteNative(folder.Native("a/one"), "1");
  WriteNative(folder.Native("a/two"), "2");
  KzFilePath path = folder.Path("a\\one");
  EXPECT_EQ(kzThrownCode([&] { path.Rename("two"); }), 183);
  EXPECT_EQ(ReadNative(folder.Native("a/one")) + ReadNative(folder.Native("a/two")), "12");
  ASSERT_EQ(path.Rename("three"), 1);
  EXPECT_EQ(Text(path), folder.Lib("a\\three")) << "the path follows";
  ASSERT_EQ(path.Rename(folder.Lib("four").c_str()), 1);
  EXPECT_EQ(Text(path), folder.Lib("four"));
  EXPECT_EQ(ReadNative(folder.Native("four")), "1");
}

TEST(FilePathTemp, MakesUniqueEmptyFiles) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  KzFilePath first = folder.Path("dummy.tmp"), second = first, parent;
  ASSERT_TRUE(first.MakeTempPath("kzdoc", 1) && second.MakeTempPath("kzdoc", 1));
  EXPECT_NE(first, second);
  KzString name;
  first.GetFileName(name);
  first.GetFolderPath(parent);
  EXPECT_EQ(std::string(name).substr(0, 3), "kzd") << name;
  EXPECT_TRUE(first.IsExtensionFile("tmp")) << name;
  EXPECT_EQ(parent, folder.Path());
  EXPECT_EQ(ReadNative(win32::ToNativePath(second)), "") << "created, empty";
  KzFilePath system;
  char expected[MAX_PATH];
  ASSERT_TRUE(system.MakeTempPath("SWP", 0) && GetTempPathA(MAX_PATH, expected));
  system.GetFolderPath(parent);
  EXPECT_EQ(parent, KzFilePath(expected));
  EXPECT_TRUE(system.Delete());
  KzFilePath missing = folder.Path("none\\x");
  EXPECT_EQ(missing.MakeTempPath("t", 1), 0);
  EXPECT_EQ(tqGetLastError(), 267);
  EXPECT_EQ(missing, folder.Path("none\\x")) << "unchanged";
}

TEST(FilePathQueries, AttributesAndSaving) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  WriteNative(folder.Native("f.txt"), "data");
  WriteNative(folder.Native(".dot"), "");
  const KzFilePath file = folder.Path("f.txt");
  EXPECT_TRUE(file.IsExistence() && !file.IsFolder() && !file.IsHidden());
  EXPECT_TRUE(folder.Path(".dot").IsHidden() && file.SetHidden(1) && file.IsHidden());
  EXPECT_TRUE(file.SetHidden(0) && !file.IsHidden());
  EXPECT_TRUE(file.CanSaveFile());
  ASSERT_TRUE(file.SetReadOnly(1));
  EXPECT_TRUE(file.GetReadOnly());
  EXPECT_FALSE(file.CanSaveFile());
  EXPECT_EQ(tqGetLastError(), 5);
  ASSERT_TRUE(file.SetReadOnly(0));
  EXPECT_TRUE(file.CanSaveFile());
  EXPECT_EQ(ReadNative(folder.Native("f.txt")), "data") << "probing changes nothing";
  EXPECT_TRUE(folder.Path("new.txt").CanSaveFile());
  EXPECT_FALSE(fs::exists(folder.Native("new.txt"))) << "the probe leaves nothing behind";
  EXPECT_FALSE(folder.Path("no\\new.txt").CanSaveFile());
  EXPECT_EQ(tqGetLastError(), 3);
  fs::create_directory(folder.Native("empty"));
  EXPECT_TRUE(folder.Path("empty").IsFolderEmpty() && !folder.Path().IsFolderEmpty());
  unsigned int creator = 1, type = 1;
  KzString version("x");
  EXPECT_EQ(file.GetCreaterAndType(creator, type) + file.GetVersionInfo(version, nullptr), 0);
  EXPECT_EQ(creator + type + version.GetLength(), 0u);
}

TEST(FilePathQueries, LastWriteTimeAndDiskFigures) {
  TestFolder folder;
  ASSERT_TRUE(folder.ok());
  WriteNative(folder.Native("f"), "x");
  const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, folder.Native("f").c_str(), times, 0), 0);
  KzTime time;
  ASSERT_TRUE(folder.Path("f").GetTime(time));
  EXPECT_EQ(time.GetTimeValue(), 1600000000);
  EXPECT_FALSE(folder.Path("none").GetTime(time));
  EXPECT_EQ(tqGetLastError(), 2);
  // A path that does not exist yet asks the nearest folder on its way up.
  const KzFilePath here = folder.Path(), missing = folder.Path("not\\yet\\there.bin");
  EXPECT_GE(KzFilePath::GetDiskSectorSize(missing), 512u);
  EXPECT_EQ(KzFilePath::GetDiskSectorSize(missing), KzFilePath::GetDiskSectorSize(here));
  EXPECT_EQ(KzFilePath::GetDiskSpace(missing), KzFilePath::GetDiskSpace(here));
  EXPECT_EQ(KzFilePath::GetDiskFreeSpaceA(KzFilePath()), 0u);
  EXPECT_EQ(tqGetLastError(), 3);
}

}  // namespace
