#include "kz/foundation/string_table.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "kz/foundation/library_init.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

std::vector<WCHAR> Decode(UINT codePage, const char* text) {
  std::vector<WCHAR> out(1024);
  out.resize(MultiByteToWideChar(codePage, 0, text, -1, out.data(), 1024));
  return out;
}

// Japanese texts are stored as code page 932 bytes: compared here character by character with
// the exact texts in UTF-8. (English texts are checked with the alerts.)
TEST(LibraryStringTable, JapaneseTextsAndTheModule) {
  const std::pair<unsigned int, const char*> japanese[] = {
      {11, "プラグインが見つかりませんでした！\n正しくインストールされているか確認してください！"},
      {19, "予期しないエラーが発生しました!"},
      {101, "%s は読み取り専用属性が指定されています！\nドキュメントを閉じてもよろしいですか？"},
  };
  tqSetLanguage(1041);
  for (const auto& [id, text] : japanese) {
    char loaded[1024];
    tqLoadString(kzGetLibraryModule(), id, 0, loaded, sizeof(loaded));
    EXPECT_EQ(Decode(CP_SHIFT_JIS, loaded), Decode(CP_UTF8, text)) << "at id=" << id;
  }
  tqSetLanguage(0);
  std::vector<unsigned int> ids;
  for (const auto& entry : kzGetLibraryStringTable()) ids.push_back(entry.id);
  std::vector<unsigned int> expected = {100, 101, 102};
  for (unsigned int id = 20; id >= 1; --id) expected.insert(expected.begin(), id);
  EXPECT_EQ(ids, expected);

  const HINSTANCE module = kzGetLibraryModule();  // the shared library, not the executable
  EXPECT_NE(module, GetModuleHandleA(nullptr));
  EXPECT_EQ(module,
            win32::ModuleFromAddress(reinterpret_cast<const void*>(&kzGetLibraryStringTable)));
  const std::new_handler handler = std::get_new_handler();
  ASSERT_NE(handler, nullptr);
  EXPECT_THROW(handler(), std::bad_alloc);
}

}  // namespace
