#include "kz/foundation/alert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "kz/foundation/alert_testing.h"
#include "kz/foundation/error.h"
#include "kz/foundation/window_state.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

unsigned int AlertId(unsigned level, unsigned buttons, unsigned params, unsigned id,
                     unsigned flags = 1u << 23 /* the library's table */) {
  return level << 30 | buttons << 27 | params << 25 | flags | id;
}

std::string Message(unsigned int alertId, int code, const char* p1 = "a") {
  KzAlert alert;
  alert.SetAlertID(alertId, code, p1, "b", "c", "d", "e");
  KzString text;
  alert.GetAlertMessage(text);
  return static_cast<const char*>(text);
}

// The style of the one box the alert shows.
UINT StyleShown(unsigned int alertId, int code) {
  kzMessageBoxes() = {};
  KzAlert alert;
  alert.SetAlertID(alertId, code);
  alert.doAlert(nullptr);
  return kzMessageBoxes().shown.size() == 1 ? kzMessageBoxes().shown[0].style : 0xFFFFFFFFu;
}

class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override { tqSetLanguage(1033); }
  void TearDown() override {
    tqSetLanguage(0);
    KzAlert::SetTitleText("");
    kzMessageBoxes() = {};
  }
};

TEST_F(AlertTest, SetAlertIdFollowsTheCode) {
  const unsigned int fileFormat = static_cast<unsigned int>(kKzErrorFileFormat);
  // Label, alert id and code given; alert id, system flag and fifth parameter kept.
  const std::tuple<const char*, unsigned int, int, unsigned int, int, const char*> cases[] = {
      {"abort code empties the alert", 5, kKzErrorAbort, 0, 0, ""},
      {"abort code beats -1", kKzAlertSystemError, kKzErrorAbort, 0, 0, ""},
      {"-1 describes the code", kKzAlertSystemError, kKzErrorFileFormat, fileFormat, 1, "p5"},
      {"an id is kept as it is", kKzAlertReadOnly, 8, kKzAlertReadOnly, 0, "p5"},
  };
  for (const auto& [label, alertId, code, id, system, p5] : cases) {
    KzAlert alert;
    alert.SetAlertID(kKzAlertSystemError, 39, "old", "old", "old", "old", "old");
    alert.SetAlertID(alertId, code, "p1", "p2", "p3", "p4", "p5");
    EXPECT_EQ(alert.GetAlertID(), id) << "at " << label;
    EXPECT_EQ(alert.IsSystemErrorMsg(), system) << "at " << label;
    EXPECT_STREQ(alert.GetParameter(4), p5) << "at " << label;
  }
  KzAlert alert;  // parameters may come from the alert itself
  alert.SetAlertID(1, 0, "first", "second");
  alert.SetAlertID(1, 0, alert.GetParameter(1), alert.GetParameter(0));
  EXPECT_STREQ(alert.GetParameter(0), "second");
  EXPECT_STREQ(alert.GetParameter(1), "first");
}

TEST_F(AlertTest, Messages) {
  const tagTQSTRINGRES executable[] = {{7, "Open %s with %s in %s?", nullptr},
                                       {9, "Value %d", nullptr}};
  tqRegisterStringTable(GetModuleHandleA(nullptr), executable, 2);
  const std::tuple<unsigned int, int, const char*> cases[] = {
      {kKzAlertSystemError, kKzErrorFileFormat, "Wrong file format!"},
      {kKzAlertSystemError, kKzErrorReadOnlyDocument, ""},  // the library's, without a message
      {kKzAlertSystemError, 0x20019999, ""},
      {AlertId(0, 0, 0, 7, 0), 0, "Open %s with %s in %s?"},  // no parameters: as it stands
      {AlertId(0, 0, 1, 7, 0), 0, "Open a with  in ?"},
      {AlertId(0, 0, 3, 7, 0), 0, "Open a with b in c?"},
      {AlertId(0, 0, 1, 9, 0), 0, "Value %d"},  // not a text for string parameters
      {AlertId(0, 0, 0, 50), 0, ""},            // the library has no string 50
  };
  for (const auto& [alertId, code, text] : cases)
    EXPECT_EQ(Message(alertId, code), text) << "at id=" << std::hex << alertId << " code=" << code;
  tqRegisterStringTable(GetModuleHandleA(nullptr), nullptr, 0);
  // The platform's system text for a code of its own.
  EXPECT_NE(Message(kKzAlertSystemError, kKzErrorNotEnoughMemory).find("memory"),
            std::string::npos);

  tqSetLanguage(1041);
  // "a.txt は読み取り専用属性が指定されています！" in code page 932.
  EXPECT_EQ(Message(kKzAlertReadOnly, 0, "a.txt"),
            "a.txt \x82\xCD\x93\xC7\x82\xDD\x8E\xE6\x82\xE8\x90\xEA\x97p\x91\xAE\x90\xAB\x82\xAA"
            "\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81I");
}

TEST_F(AlertTest, BoxStyleFollowsLevelAndButtons) {
  const UINT icons[] = {0x10, 0x30, 0x40, 0x20};
  const UINT buttons[] = {0x0, 0x1, 0x4, 0x3, 0x3, 0x0, 0x0, 0x0};
  for (unsigned level = 0; level < 4; ++level) {
    for (unsigned type = 0; type < 8; ++type) {
      EXPECT_EQ(StyleShown(AlertId(level, type, 0, 6), 0), icons[level] | buttons[type])
          << "at level=" << level << " buttons=" << type;
    }
  }
  EXPECT_EQ(StyleShown(kKzAlertSystemError, 0x20019999), 0x30u) << "system: exclamation, OK";
}

TEST_F(AlertTest, ShownOnceInsideTheModalBracketWithTheTitle) {
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  const std::vector<KzShownMessageBox>& shown = kzMessageBoxes().shown;
  kzMessageBoxes().answer = IDNO;
  KzAlert alert;
  alert.SetAlertID(kKzAlertSaveChanges, 0, "Doc");
  EXPECT_EQ(alert.doAlert(owner), IDNO);
  EXPECT_EQ(alert.doAlert(owner), -1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].owner, owner);
  EXPECT_EQ(shown[0].text, "Doc has changed. Save the changes?");
  EXPECT_EQ(shown[0].caption, std::filesystem::read_symlink("/proc/self/exe").stem().string());
  EXPECT_EQ(kzwIsModalDlgVisible(), 0);

  kzMessageBoxes().hook = [] { throw 42; };
  KzAlert::SetTitleText("Studio");
  alert.SetAlertID(kKzAlertReadOnly, 0, "x");
  EXPECT_THROW(alert.doAlert(nullptr), int);
  EXPECT_EQ(kzwIsModalDlgVisible(), 0) << "a throwing box still closes the bracket";
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].caption, "Studio");
}

}  // namespace
