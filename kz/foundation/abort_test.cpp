#include "kz/foundation/abort.h"

#include <gtest/gtest.h>

#include <vector>

#include "kz/foundation/exception_testing.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

namespace {

// The callback gives these answers, one per question, then 0.
std::vector<int> s_answers;
int s_questions = 0;
int Answer() {
  const int n = s_questions++;
  return n < static_cast<int>(s_answers.size()) ? s_answers[n] : 0;
}

std::vector<UINT> s_dispatched;
LRESULT Record(HWND, UINT message, WPARAM, LPARAM) {
  s_dispatched.push_back(message);
  return 0;
}

// The result of CheckAbort, or -1 when it threw the abort code.
int Check(std::vector<int> answers, int throwFlag) {
  s_answers = std::move(answers);
  s_questions = 0;
  int result = -2;
  const int code = kzThrownCode([&] { result = KzAbort(throwFlag, 0).CheckAbort(); });
  return code == kKzErrorAbort ? -1 : result;
}

class AbortTest : public ::testing::Test {
 protected:
  void TearDown() override {
    KzAbort::SetCallback(nullptr);
    tqSetAbortRequest(0);
  }
};

TEST_F(AbortTest, CallbackAnswers) {
  KzAbort::SetCallback(&Answer);
  HWND window = CreateWindowExA(0, "KzAbortTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Record));
  for (UINT message : {WM_ERASEBKGND, WM_TIMER, WM_PAINT, WM_PAINT})
    PostMessageA(window, message, 0, 0);
  s_dispatched.clear();
  EXPECT_EQ(Check({2, 0}, 1), 0);  // repaint: paint, then erase, then ask again
  EXPECT_EQ(s_questions, 2);
  EXPECT_EQ(s_dispatched, (std::vector<UINT>{WM_PAINT, WM_PAINT, WM_ERASEBKGND}));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER) << "other messages stay queued";
  DestroyWindow(window);

  EXPECT_EQ(Check({1}, 0), 1) << "abort without throwing";
  EXPECT_EQ(Check({1}, 1), -1) << "abort throws";
  EXPECT_EQ(Check({5}, 1), 0) << "other answers go on";
  EXPECT_EQ(Check({2, 2, 1}, 0), 1) << "repaint twice, then abort";
  EXPECT_EQ(s_questions, 3);
}

TEST_F(AbortTest, WithoutCallbackTheUtilityLibraryDecides) {
  EXPECT_EQ(Check({}, 1), 0);
  tqSetAbortRequest(1);
  EXPECT_EQ(Check({}, 0), 1);
  EXPECT_EQ(KzAbort(0, 1).CheckAbort(), 1) << "the extended check";
  EXPECT_EQ(Check({}, 1), -1);
}

}  // namespace
