#include "kz/persistence/file_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "kz/persistence/file_path_testing.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

using kz_testing::TestFolder;
namespace fs = std::filesystem;

// Rows use "\x95\x5C", a double-byte character whose trail byte is a backslash, and
// "\x83\x41" / "\x83\x61", two double-byte characters whose trail bytes are ASCII letters.

std::string Text(const KzFilePath& path) { return static_cast<const char*>(path); }

// --- text rules -----------------------------------------------------------------------------

TEST(FilePathText, JoiningRenamingAndConverting) {
  using P = KzFilePath;
  using Change = void (*)(P&);
  const struct {
    const char *label, *path;
    Change change;
    const char* result;
  } rows[] = {
      {"join: delimiters on both sides", "C:\\a\\", [](P& p) { p += "\\b\\"; }, "C:\\a\\b"},
      {"join onto nothing", "", [](P& p) { p += "\\b\\"; }, "\\b\\"},
      {"join: trail 0x5C ends the path", "a\\\x95\x5C", [](P& p) { p += "b"; }, "a\\\x95\x5C\\b"},
      {"join: trail 0x5C ends the argument", "a", [](P& p) { p += "\\\\\x95\x5C\\\\"; },
       "a\\\x95\x5C"},
      {"join itself", "a\\b\\", [](P& p) { p += p; }, "a\\b\\a\\b"},
      {"mac sub-path: colon at 1, then a colon", "a", [](P& p) { p.CatSubPathForWin("C::x"); },
       "a\\C:\\x"},
      {"win sub-path: trail 0x5C", "a", [](P& p) { p.CatSubPathForMac("\x95\x5C\\x"); },
       "a\\\x95\x5C:x"},
      {"extension with period", "a\\x", [](P& p) { p.SetNameAndExtension("y", ".jpg"); },
       "a\\y.jpg"},
      {"last extension replaced", "x.tar.gz", [](P& p) { p.ChangeExtension("bz2"); }, "x.tar.bz2"},
      {"extension after trail 0x5C", "\x95\x5C.png", [](P& p) { p.ChangeExtension("jpg"); },
       "\x95\x5C.jpg"},
      {"folder of a trail 0x5C name", "a\\\x95\x5C", [](P& p) { p.GetFolderPath(p); }, "a"},
      {"remade", "\\a\\.\\b\\..\\c\\\\", [](P& p) { p.RemakePath(); }, "\\a\\c"},
  };
  for (const auto& row : rows) {
    KzFilePath path(row.path);
    row.change(path);
    EXPECT_EQ(Text(path), row.result) << "at " << row.label;
  }
}

// Parts that do not fit a 260-byte buffer throw rather than be cut; what cannot be converted
// for the system is refused.
TEST(FilePathText, SplittingAndConvertingNeverOverrunOrCut) {
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
  KzFilePath root("C:\\a\\b"), none;
  EXPECT_EQ(root.GetRootPath(root) + KzFilePath("a\\b").GetRootPath(none), 1);
  EXPECT_EQ(Text(root), "C:\\");
  EXPECT_EQ(none.SetNativePath("/a/\xFF"), 0) << "not UTF-8";
  EXPECT_EQ(tqGetLastError(), 1113);
  EXPECT_EQ(Text(none), "") << "unchanged";
  EXPECT_EQ(KzFilePath("C:\\\x95").GetNativePath(buffer), 0) << "a lone lead byte";
  EXPECT_EQ(tqGetLastError(), 123);
}

TEST(FilePathText, ComparisonsAndRelations) {
  const struct {
    const char *label, *a, *b;
    bool equal;
  } rows[] = {
      {"case and trailing backslash", "C:\\A\\", "c:\\a", true},
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
  const KzFilePath png("C:\\a\\x.PNG");
  EXPECT_TRUE(png.IsExtensionFile("png") && png.IsExtensionFile(".Png"));
  EXPECT_FALSE(png.IsExtensionFile("pn") || png.IsExtensionFile(nullptr));
  KzString relative;
  ASSERT_TRUE(
      KzFilePath::MakeRelativePath(relative, "\\\x95\x5C\\.\\b\\..\\c", "\\\x95\x5C\\x\\y"));
  EXPECT_STREQ(relative, "..\\x\\y");
  EXPECT_EQ(KzFilePath("\\a\\b\\c\\").IsChildFolder("\\a\\"), 1);
  EXPECT_EQ(KzFilePath("\\a").IsChildFolder("\\a\\") + KzFilePath("\\ab").IsChildFolder("\\a"), 0);
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
      {"other names", {"img001.png", "img7.jpg", "pic5.png"}, 3, "png", "img", false, "img002.png"},
      {"extension case, period", {"IMG001.PNG"}, 3, ".png", "img", false, "img002.png"},
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
    for (std::string name : row.files) {
      if (name.back() == '/') {
        fs::create_directory(folder.Native(name));
      } else {
        folder.Write(name, "x");
      }
    }
    KzFilePath result;
    const auto call =
        row.second ? &KzFilePath::GetSequencialFilePath2 : &KzFilePath::GetSequencialFilePath;
    ASSERT_TRUE((result.*call)(folder.Path(), row.digits, row.extension, row.prefix))
        << "at " << row.label;
    EXPECT_EQ(Text(result), folder.Lib(row.expected)) << "at " << row.label;
  }
  // Files marked hidden are passed over; the result may be the folder path itself.
  TestFolder folder;
  folder.Write("img001.png", "x");
  folder.Write("img002.png", "x");
  ASSERT_TRUE(folder.Path("img002.png").SetHidden(1));
  KzFilePath result = folder.Path();
  ASSERT_TRUE(result.GetSequencialFilePath(result, 3, "png", "img"));
  EXPECT_EQ(Text(result), folder.Lib("img002.png"));
  ASSERT_TRUE(result.Delete()) << "marks live by file identity: let the platform drop it";
  KzFilePath untouched("keep");
  EXPECT_EQ(untouched.GetSequencialFilePath(folder.Path("missing"), 3, "png", "img"), 0);
  EXPECT_EQ(tqGetLastError(), 3);
  EXPECT_EQ(Text(untouched), "keep");
  EXPECT_EQ(kzThrownCode([&] { untouched.GetSequencialFilePath(folder.Path(), -1, "", ""); }),
            kKzErrorParameter);
}

TEST(FilePathFiles, CopyAndMoveProtectExistingTargetsAndSkipIconFiles) {
  TestFolder folder;
  folder.Write("a", "A");
  folder.Write("b", "B");
  const KzFilePath a = folder.Path("a"), b = folder.Path("b"), none = folder.Path("none");
  auto contents = [&] { return folder.Read("a") + folder.Read("b"); };
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFileA(a, b, 1); }), kKzErrorFileExists);
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(a, b, 1); }), kKzErrorFileExists);
  // A move that cannot happen must not cost the target, nor a move onto itself the file.
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFileA(none, b, 0); }), 2);
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(none, b, 0); }), 2);
  EXPECT_EQ(KzFilePath::MoveFileA(a, a, 0), 1);
  EXPECT_EQ(contents(), "AB");
  fs::create_directory(folder.Native("dir"));
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::MoveFileA(a, folder.Path("dir"), 0); }), 5);
  EXPECT_EQ(KzFilePath::CopyFileA(b, a, 0), 1);
  EXPECT_EQ(contents(), "BB");
  folder.Write("a", "A");
  EXPECT_EQ(KzFilePath::MoveFileA(a, b, 0), 1);
  EXPECT_EQ(contents(), "<missing>A");

  for (const char* icon : {"Icon?", "ICON?", "Icon\r"}) {
    folder.Write(icon, "I");
    EXPECT_EQ(KzFilePath::CopyFileA(folder.Path(icon), folder.Path("copy"), 0), 0) << icon;
    EXPECT_EQ(tqGetLastError(), 0) << "at " << icon;
    EXPECT_FALSE(folder.Exists("copy")) << "at " << icon;
  }
  folder.Write("Icons", "I");
  EXPECT_EQ(KzFilePath::CopyFileA(folder.Path("Icons"), folder.Path("copy"), 0), 1);
}

TEST(FilePathFiles, WholeTreesAndRenames) {
  TestFolder folder;
  ASSERT_TRUE(folder.Path("src\\sub\\low.txt").CreateFolder2());
  folder.Write("src/top.txt", "T");
  folder.Write("src/sub/low.txt", "L");
  folder.Write("src/Icon\r", "I");
  const KzFilePath source = folder.Path("src"), merged = folder.Path("merged");
  EXPECT_EQ(kzThrownCode([&] { KzFilePath::CopyFolder(source, folder.Path("src\\sub\\x")); }),
            kKzErrorParameter)
      << "into itself";
  ASSERT_EQ(KzFilePath::CopyFolder(source, folder.Path("copy")), 1);
  EXPECT_FALSE(folder.Exists("copy/Icon\r"));
  // Onto an existing folder: merged, the source gone.
  ASSERT_TRUE(merged.CreateFolder());
  folder.Write("merged/top.txt", "old");
  ASSERT_EQ(KzFilePath::MoveFolder(folder.Path("copy"), merged), 1);
  EXPECT_FALSE(folder.Exists("copy"));
  EXPECT_EQ(folder.Read("merged/top.txt") + folder.Read("merged/sub/low.txt"), "TL");
  // A read-only file inside goes too; a link to a folder goes without what it leads to.
  ASSERT_TRUE(folder.Path("merged\\top.txt").SetReadOnly(1));
  fs::create_directory_symlink(folder.Native("src"), folder.Native("merged/link"));
  fs::create_directory_symlink(folder.Native("src"), folder.Native("link"));
  ASSERT_EQ(merged.Delete() + folder.Path("link").Delete(), 2);
  EXPECT_FALSE(folder.Exists("merged") || folder.Exists("link"));
  EXPECT_EQ(folder.Read("src/sub/low.txt"), "L");
  EXPECT_EQ(kzThrownCode([&] { merged.Delete(1); }), 2);

  KzFilePath path = folder.Path("src\\top.txt");
  EXPECT_EQ(kzThrownCode([&] { path.Rename("sub"); }), 183);
  ASSERT_EQ(path.Rename(folder.Lib("four").c_str()), 1);
  EXPECT_EQ(Text(path), folder.Lib("four")) << "the path follows";
}

TEST(FilePathFiles, TempPathsAreUniqueEmptyFiles) {
  TestFolder folder;
  KzFilePath first = folder.Path("dummy.tmp"), second = first, parent, system;
  ASSERT_TRUE(first.MakeTempPath("kzdoc", 1) && second.MakeTempPath("kzdoc", 1));
  EXPECT_NE(first, second);
  EXPECT_EQ(Text(first).substr(0, folder.Lib().size() + 4), folder.Lib("kzd")) << first;
  EXPECT_TRUE(first.IsExtensionFile("tmp")) << first;
  EXPECT_EQ(fs::file_size(win32::ToNativePath(second)), 0u) << "created, empty";
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

}  // namespace
