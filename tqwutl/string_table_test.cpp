#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

// Module handles only need to be distinct values.
int g_moduleTag[2];
HINSTANCE Module(int i) { return reinterpret_cast<HINSTANCE>(&g_moduleTag[i]); }

const char kHello932[] = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF";  // four double-byte characters

const tagTQSTRINGRES kTable[] = {
    {1, "Hello", kHello932},    {2, "Only English", nullptr},  {3, "Empty Japanese", ""},
    {4, "a\x82\xA0z", nullptr}, {1, "Duplicate", "Duplicate"},
};

class StringTableTest : public testing::Test {
 protected:
  void SetUp() override { tqRegisterStringTable(Module(0), kTable, 5); }
  void TearDown() override {
    tqRegisterStringTable(Module(0), nullptr, 0);
    tqSetLanguage(0);
  }
};

TEST_F(StringTableTest, ChoosesTheLanguageCutsAndNeverSplitsACharacter) {
  const struct {
    int language;
    UINT id;
    int size;
    std::string expected;
  } cases[] = {
      {1033, 1, 64, "Hello"},
      {1041, 1, 64, kHello932},
      {1041, 2, 64, "Only English"},  // no Japanese text: English
      {1041, 3, 64, "Empty Japanese"},
      {1033, 1, 1, ""},
      {1033, 1, 3, "He"},
      {1041, 1, 2, ""},          // room for one byte: half a character
      {1041, 1, 4, "\x82\xB1"},  // the second character does not fit
      {1041, 1, 9, kHello932},
      {1033, 4, 3, "a"},  // the cut falls inside the double-byte character
      {1033, 4, 4, "a\x82\xA0"},
  };
  for (const auto& c : cases) {
    tqSetLanguage(c.language);
    char buffer[80];
    std::memset(buffer, 'X', sizeof(buffer));
    int length = tqLoadString(Module(0), c.id, 0xF, buffer, c.size);
    std::string label = "language " + std::to_string(c.language) + " id " + std::to_string(c.id) +
                        " size " + std::to_string(c.size);
    EXPECT_EQ(std::string(buffer), c.expected) << label;
    EXPECT_EQ(length, static_cast<int>(c.expected.size())) << label;
    EXPECT_EQ(buffer[c.size], 'X') << label << ": wrote past the size";
  }
}

TEST_F(StringTableTest, MissingStringGivesEmptyTextAndError1814) {
  for (auto [module, id] : {std::pair{Module(0), 99u}, std::pair{Module(1), 1u}}) {
    char buffer[16] = "XXXX";
    SetLastError(0);
    EXPECT_EQ(tqLoadString(module, id, 0, buffer, sizeof(buffer)), 0) << "id " << id;
    EXPECT_EQ(buffer[0], '\0') << "id " << id;
    EXPECT_EQ(tqGetLastError(), 1814) << "id " << id;
  }
  SetLastError(0);
  EXPECT_EQ(tqLoadString(Module(0), 1, 0, nullptr, 10), 0);
  EXPECT_EQ(tqGetLastError(), 87);
}

TEST_F(StringTableTest, LaterRegistrationReplaces) {
  static const tagTQSTRINGRES replacement[] = {{7, "Seven", nullptr}};
  tqSetLanguage(1033);
  tqRegisterStringTable(Module(0), replacement, 1);
  char buffer[16];
  EXPECT_EQ(tqLoadString(Module(0), 7, 0, buffer, sizeof(buffer)), 5);
  EXPECT_EQ(tqLoadString(Module(0), 1, 0, buffer, sizeof(buffer)), 0) << "the old table is gone";
}

TEST(Language, FirstNonEmptyLocaleVariableDecides) {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[3];
  bool wasSet[3];
  for (int i = 0; i < 3; ++i) {
    const char* value = std::getenv(names[i]);
    wasSet[i] = value != nullptr;
    if (wasSet[i]) saved[i] = value;
  }
  const struct {
    const char* values[3];  // LC_ALL, LC_MESSAGES, LANG; null: unset
    int expected;
  } cases[] = {
      {{nullptr, nullptr, nullptr}, 1033},
      {{"", "", "ja_JP.UTF-8"}, 1041},
      {{"", "C", "ja_JP.UTF-8"}, 1033},
      {{"ja_JP.SJIS", "C", "en_US"}, 1041},
      {{nullptr, "ja", "en_US"}, 1041},
      {{"C.UTF-8", "", "ja_JP"}, 1033},
      {{"", "", "jp"}, 1033},
  };
  tqSetLanguage(0);
  for (const auto& c : cases) {
    std::string label;
    for (int i = 0; i < 3; ++i) {
      c.values[i] ? setenv(names[i], c.values[i], 1) : unsetenv(names[i]);
      label += std::string(names[i]) + "=" + (c.values[i] ? c.values[i] : "(unset)") + " ";
    }
    EXPECT_EQ(tqGetLanguage(), c.expected) << label;
  }
  setenv("LANG", "ja", 1);
  tqSetLanguage(1033);
  EXPECT_EQ(tqGetLanguage(), 1033) << "the override wins over the locale";
  tqSetLanguage(0);
  EXPECT_EQ(tqGetLanguage(), 1041) << "0 follows the locale again";
  for (int i = 0; i < 3; ++i)
    wasSet[i] ? setenv(names[i], saved[i].c_str(), 1) : unsetenv(names[i]);
}

}  // namespace
