#include <string>
#include <tuple>

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
  const std::tuple<UINT, int> cases[] = {
      {MB_OK | MB_ICONSTOP, IDOK}, {MB_OKCANCEL, IDCANCEL},    {MB_YESNO, IDNO},
      {MB_YESNOCANCEL, IDCANCEL},  {MB_RETRYCANCEL, IDCANCEL}, {MB_ABORTRETRYIGNORE, IDABORT}};
  for (const auto& [type, answer] : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(answer, MessageBoxA(nullptr, "\x95\x5C", "T", type)) << "type " << type;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "T: \xE8\xA1\xA8\n") << "type " << type;
  }
}

}  // namespace
