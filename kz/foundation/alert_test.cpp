#include "kz/foundation/alert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kz/foundation/alert_testing.h"
#include "kz/foundation/error.h"
#include "kz/foundation/window_state.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

constexpr unsigned int kLibraryString = 1u << 23;

unsigned int AlertId(unsigned level, unsigned buttons, unsigned params, unsigned id,
                     unsigned flags = kLibraryString) {
  return level << 30 | buttons << 27 | params << 25 | flags | id;
}

std::string Message(const KzAlert& alert) {
  KzString text;
  alert.GetAlertMessage(text);
  return static_cast<const char*>(text);
}

class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tqSetLanguage(1033);
    KzMessageBoxRecorder::Get().Reset();
  }
  void TearDown() override {
    tqSetLanguage(0);
    KzAlert::SetTitleText("");
    KzMessageBoxRecorder::Get().Reset();
  }
  const std::vector<KzShownMessageBox>& Shown() { return KzMessageBoxRecorder::Get().Shown(); }
};

TEST_F(AlertTest, SetAlertIdFollowsTheCode) {
  const unsigned int fileFormat = static_cast<unsigned int>(kKzErrorFileFormat);
  struct Case {
    const char* label;
    unsigned int alertId;
    int code;
    unsigned int id;
    int system;
    const char* p5;
  } const cases[] = {
      {"abort code empties the alert", 5, kKzErrorAbort, 0, 0, ""},
      {"abort code beats -1", kKzAlertSystemError, kKzErrorAbort, 0, 0, ""},
      {"-1 describes the code", kKzAlertSystemError, kKzErrorFileFormat, fileFormat, 1, "p5"},
      {"an id is kept as it is", kKzAlertReadOnly, 8, kKzAlertReadOnly, 0, "p5"},
  };
  for (const Case& c : cases) {
    KzAlert alert;
    alert.SetAlertID(kKzAlertSystemError, 39, "old", "old", "old", "old", "old");
    alert.SetAlertID(c.alertId, c.code, "p1", "p2", "p3", "p4", "p5");
    EXPECT_EQ(alert.GetAlertID(), c.id) << "at " << c.label;
    EXPECT_EQ(alert.IsSystemErrorMsg(), c.system) << "at " << c.label;
    EXPECT_STREQ(alert.GetParameter(4), c.p5) << "at " << c.label;
  }
  KzAlert alert;  // parameters may come from the alert itself
  alert.SetAlertID(1, 0, "first", "second");
  alert.SetAlertID(1, 0, alert.GetParameter(1), alert.GetParameter(0));
  EXPECT_STREQ(alert.GetParameter(0), "second");
  EXPECT_STREQ(alert.GetParameter(1), "first");
}

TEST_F(AlertTest, SystemMessagesDescribeTheCode) {
  const std::pair<int, const char*> cases[] = {
      {kKzErrorFileFormat, "Wrong file format!"},
      {kKzErrorVectorize, "Vectorization error occurred!"},
      {kKzErrorPluginNotFound, "Plugin not found!"},
      {kKzErrorUnexpected, "An unexpected error has occurred!"},
      {kKzErrorReadOnlyDocument, ""},  // the library's, without a message of its own
      {0x20019999, ""},
  };
  for (const auto& [code, text] : cases) {
    KzAlert alert;
    alert.SetAlertID(kKzAlertSystemError, code);
    EXPECT_EQ(Message(alert), text) << "at code=" << std::hex << code;
  }
  KzAlert memory;
  memory.SetAlertID(kKzAlertSystemError, kKzErrorNotEnoughMemory);
  EXPECT_NE(Message(memory).find("memory"), std::string::npos) << Message(memory);
}

TEST_F(AlertTest, MessagesTakeAsManyParametersAsTheIdSays) {
  const tagTQSTRINGRES executable[] = {{7, "Open %s with %s in %s?", nullptr},
                                       {9, "Value %d", nullptr}};
  tqRegisterStringTable(GetModuleHandleA(nullptr), executable, 2);
  const std::pair<unsigned int, const char*> cases[] = {
      {kKzAlertSaveChanges, "a has changed. Save the changes?"},
      {kKzAlertNoVirtualMemory,
       "The virtual memory was not able to be made.\nPlease confirm the disk free space. "},
      {AlertId(0, 0, 0, 7, 0), "Open %s with %s in %s?"},  // no parameters: as it stands
      {AlertId(0, 0, 1, 7, 0), "Open a with  in ?"},
      {AlertId(0, 0, 3, 7, 0), "Open a with b in c?"},
      {AlertId(0, 0, 1, 9, 0), "Value %d"},  // not a text for string parameters
      {AlertId(0, 0, 0, 50), ""},            // the library has no string 50
  };
  for (const auto& [id, text] : cases) {
    KzAlert alert;
    alert.SetAlertID(id, 0, "a", "b", "c", "d", "e");
    EXPECT_EQ(Message(alert), text) << "at id=" << std::hex << id;
  }
  tqRegisterStringTable(GetModuleHandleA(nullptr), nullptr, 0);

  tqSetLanguage(1041);
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "a.txt");
  // "a.txt は読み取り専用属性が指定されています！" in code page 932.
  EXPECT_EQ(Message(alert),
            "a.txt \x82\xCD\x93\xC7\x82\xDD\x8E\xE6\x82\xE8\x90\xEA\x97p\x91\xAE\x90\xAB\x82\xAA"
            "\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81I");
}

TEST_F(AlertTest, BoxStyleFollowsLevelAndButtons) {
  const UINT icons[] = {0x10, 0x30, 0x40, 0x20};
  const UINT buttons[] = {0x0, 0x1, 0x4, 0x3, 0x3, 0x0, 0x0, 0x0};
  for (unsigned level = 0; level < 4; ++level) {
    for (unsigned type = 0; type < 8; ++type) {
      KzMessageBoxRecorder::Get().Reset();
      KzAlert alert;
      alert.SetAlertID(AlertId(level, type, 0, 6), 0);
      EXPECT_EQ(alert.GetAlertLevel(), static_cast<int>(level));
      EXPECT_EQ(alert.GetAlertButtonType(), static_cast<int>(type));
      alert.doAlert(nullptr);
      ASSERT_EQ(Shown().size(), 1u);
      EXPECT_EQ(Shown()[0].style, icons[level] | buttons[type])
          << "at level=" << level << " buttons=" << type;
    }
  }
  KzMessageBoxRecorder::Get().Reset();
  KzAlert system;
  system.SetAlertID(kKzAlertSystemError, 0x20019999);
  system.doAlert(nullptr);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].style, 0x30u) << "system messages: exclamation, OK";
}

TEST_F(AlertTest, ShownOnceInsideTheModalBracket) {
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  int bracketOpen = -1;
  KzMessageBoxRecorder::Get().SetAnswer(IDNO);
  KzMessageBoxRecorder::Get().SetHook([&] { bracketOpen = kzwIsModalDlgVisible(); });
  KzAlert alert;
  alert.SetAlertID(kKzAlertSaveChanges, 0, "Doc");
  EXPECT_EQ(alert.doAlert(owner), IDNO);
  EXPECT_EQ(alert.doAlert(owner), -1);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].owner, owner);
  EXPECT_EQ(Shown()[0].text, "Doc has changed. Save the changes?");
  EXPECT_EQ(bracketOpen, 1);
  EXPECT_EQ(kzwIsModalDlgVisible(), 0);

  KzMessageBoxRecorder::Get().SetHook([] { throw 42; });
  alert.SetAlertID(kKzAlertReadOnly, 0, "x");
  EXPECT_THROW(alert.doAlert(nullptr), int);
  EXPECT_EQ(kzwIsModalDlgVisible(), 0) << "a throwing box still closes the bracket";
}

TEST_F(AlertTest, TitleFallsBackToTheExecutablesName) {
  KzAlert::SetTitleText("");
  KzString title;
  KzAlert::GetTitleText(title);
  EXPECT_EQ(std::string(title), std::filesystem::read_symlink("/proc/self/exe").stem().string());
  KzAlert::SetTitleText("Studio");
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "x");
  alert.doAlert(nullptr);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].caption, "Studio");
}

}  // namespace
