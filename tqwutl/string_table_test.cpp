#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

#include "tqwutl/tqwutl.h"
#include "win32/scoped_env_testing.h"

TEST(StringTable, ChoosesTheLanguageCutsAndNeverSplitsACharacter) {
  // Four double-byte characters; {} is no Japanese text.
  static const char* hello = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF";
  static const tagTQSTRINGRES table[] = {
      {1, "Hello", hello}, {2, "En", {}}, {3, "Ej", ""}, {4, "a\x82\xA0z", {}}, {1, "Dup", "Dup"}};
  const auto module = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x5100});  // any distinct value
  tqRegisterStringTable(module, table, 5);
  // Rows: language, id, buffer size, text. Without a Japanese text the English one counts; id 99
  // is missing.
  const std::tuple<int, UINT, int, std::string> cases[] = {
      {1033, 1, 64, "Hello"}, {1041, 1, 64, hello},      {1041, 2, 64, "En"},
      {1041, 3, 64, "Ej"},    {1033, 1, 1, ""},          {1033, 1, 3, "He"},
      {1041, 1, 2, ""},       {1041, 1, 9, hello},       {1041, 1, 4, "\x82\xB1"},
      {1033, 4, 3, "a"},      {1033, 4, 4, "a\x82\xA0"}, {1041, 99, 64, ""}};
  for (const auto& [language, id, size, expected] : cases) {
    SCOPED_TRACE(testing::Message() << language << " id " << id << " size " << size);
    tqSetLanguage(language);
    char buffer[80] = {};  // the last byte stays a terminator
    std::memset(buffer, 'X', sizeof buffer - 1);
    const int length = tqLoadString(module, id, 0xF, buffer, size);
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_TRUE(length == static_cast<int>(expected.size()) && buffer[size] == 'X');
  }
  char buffer[16];
  EXPECT_TRUE(tqLoadString(module, 1, 0, nullptr, 10) == 0 && tqGetLastError() == 87);
  static const tagTQSTRINGRES replacement[] = {{7, "Seven", nullptr}};
  tqRegisterStringTable(module, replacement, 1);
  EXPECT_EQ(tqLoadString(module, 1, 0, buffer, 16), 0) << "a later table replaces the old one";
  EXPECT_EQ(tqLoadString(module, 7, 0, buffer, 16), 5);
  tqRegisterStringTable(module, nullptr, 0);
  tqSetLastError(0);  // a removed table has no strings
  EXPECT_TRUE(tqLoadString(module, 7, 0, buffer, 16) == 0 && tqGetLastError() == 1814);
  tqSetLanguage(0);
}

TEST(Language, FirstNonEmptyLocaleVariableDecides) {
  using win32::testing::ScopedEnv;
  ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  // Rows: LC_ALL, LC_MESSAGES and LANG (null: unset), the language.
  const std::tuple<const char*, const char*, const char*, int> cases[] = {
      {nullptr, nullptr, nullptr, 1033}, {"", "", "ja_JP.UTF-8", 1041},  {"", "C", "ja_JP", 1033},
      {nullptr, "ja", "en_US", 1041},    {"C.UTF-8", "", "ja_JP", 1033}, {"", "", "jp", 1033}};
  tqSetLanguage(0);  // follow the locale
  for (const auto& [lcAll, lcMessages, language, expected] : cases) {
    all.Set(lcAll);
    messages.Set(lcMessages);
    lang.Set(language);
    EXPECT_EQ(tqGetLanguage(), expected)
        << testing::PrintToString(std::tuple(lcAll, lcMessages, language));
  }
}
