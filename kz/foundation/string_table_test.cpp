#include "kz/foundation/string_table.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "kz/foundation/library_init.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

// The Japanese messages in UTF-8, compared after both sides are decoded so that the stored code
// page 932 bytes are checked character by character. (English texts are checked with the alerts.)
const std::pair<unsigned int, const char*> kJapanese[] = {
    {1, "フルカラー画像以外は開くことができません！"},
    {2, "指定のタグが存在しません！"},
    {3, "カラーチャートファイルのバージョン番号が異なるため利用できません！"},
    {4, "このファイルはカラーチャートファイルではありません！"},
    {5, "マネジメントファイルに指定のタグが存在しません！"},
    {6, "パラメータが不正です！"},
    {7, "時間の取得に失敗しました！"},
    {8, "このファイルは既に存在しています！"},
    {9, "ファイルの形式が異なります！"},
    {10, "ファイルのバージョン番号が異なるため利用できません！"},
    {11, "プラグインが見つかりませんでした！\n正しくインストールされているか確認してください！"},
    {12, "指定のレイヤーが見つかりませんでした！"},
    {13, "指定のファイル形式はサポートされていません"},
    {14, "指定のサイズはこのフォーマットではサポートされていないません！"},
    {15, "DDRが接続されていません！"},
    {16, "ラスター・ベクター変換でエラーが発生しました！"},
    {17, "色数が多すぎるのでベクターデータに変換できませんでした！"},
    {18,
     "ベクターデータの操作中にエラーが発生しました！\nベクターデータが壊れた可能性があります。"},
    {19, "予期しないエラーが発生しました!"},
    {20, "仮想メモリを作成できませんでした。\nディスクの空き容量を確認してください。"},
    {100, "%s は更新されています。保存しますか？"},
    {101, "%s は読み取り専用属性が指定されています！\nドキュメントを閉じてもよろしいですか？"},
    {102, "%s は読み取り専用属性が指定されています！"},
};

std::vector<WCHAR> Decode(UINT codePage, const char* text) {
  std::vector<WCHAR> out(1024);
  out.resize(MultiByteToWideChar(codePage, 0, text, -1, out.data(), 1024));
  return out;
}

TEST(LibraryStringTable, JapaneseTextsAreCodePage932OfTheExactTexts) {
  tqSetLanguage(1041);
  for (const auto& [id, text] : kJapanese) {
    char loaded[1024];
    tqLoadString(kzGetLibraryModule(), id, 0, loaded, sizeof(loaded));
    EXPECT_EQ(Decode(CP_SHIFT_JIS, loaded), Decode(CP_UTF8, text)) << "at id=" << id;
    EXPECT_GT(Decode(CP_UTF8, text).size(), 1u);
  }
  tqSetLanguage(0);
}

TEST(LibraryModule, IsTheSharedLibraryWithItsTableAndHandler) {
  const auto table = kzGetLibraryStringTable();
  ASSERT_EQ(table.size(), std::size(kJapanese));
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].id, kJapanese[i].first);
  const HINSTANCE module = kzGetLibraryModule();
  EXPECT_NE(module, GetModuleHandleA(nullptr));
  EXPECT_EQ(module,
            win32::ModuleFromAddress(reinterpret_cast<const void*>(&kzGetLibraryStringTable)));
  const std::new_handler handler = std::get_new_handler();
  ASSERT_NE(handler, nullptr);
  EXPECT_THROW(handler(), std::bad_alloc);
}

}  // namespace
