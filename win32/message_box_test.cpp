#include <string>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(MessageBox, InstalledHandlerGetsTheCall) {
  std::string seen;
  win32::SetMessageBoxHandler([&](HWND owner, const char* text, const char* caption, UINT type) {
    seen = std::string(caption) + "|" + text + "|" + std::to_string(type) + "|" +
           std::to_string(reinterpret_cast<std::uintptr_t>(owner));
    return IDYES;
  });
  EXPECT_EQ(IDYES, MessageBoxA(reinterpret_cast<HWND>(std::uintptr_t{8}), "body", "title",
                               MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(seen, "title|body|36|8");
  win32::SetMessageBoxHandler(nullptr);
}

TEST(MessageBox, DefaultAnswersTheSafestButtonAndPrintsUtf8) {
  win32::SetMessageBoxHandler(nullptr);
  struct Case {
    const char* label;
    UINT type;
    int answer;
  } cases[] = {
      {"ok", MB_OK | MB_ICONSTOP, IDOK},
      {"ok cancel", MB_OKCANCEL, IDCANCEL},
      {"yes no", MB_YESNO | MB_ICONQUESTION, IDNO},
      {"yes no cancel", MB_YESNOCANCEL, IDCANCEL},
      {"retry cancel", MB_RETRYCANCEL, IDCANCEL},
      {"abort retry ignore", MB_ABORTRETRYIGNORE, IDABORT},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    const int answer = MessageBoxA(nullptr, "\x95\x5C", "T", c.type);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.answer, answer) << c.label;
    EXPECT_EQ(printed, "T: \xE8\xA1\xA8\n") << c.label;
  }
}

}  // namespace
