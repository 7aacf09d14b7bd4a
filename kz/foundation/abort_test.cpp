#include "kz/foundation/abort.h"

#include <gtest/gtest.h>

#include <vector>

#include "kz/foundation/exception.h"
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

class AbortTest : public ::testing::Test {
 protected:
  void SetUp() override { KzAbort::SetCallback(&Answer); }
  void TearDown() override {
    KzAbort::SetCallback(nullptr);
    tqSetAbortRequest(0);
  }
  // The result of CheckAbort, or -1 when it threw the abort code.
  int Check(std::vector<int> answers, int throwFlag) {
    s_answers = std::move(answers);
    s_questions = 0;
    try {
      return KzAbort(throwFlag, 0).CheckAbort();
    } catch (const KzException& e) {
      EXPECT_EQ(e.GetErrorCode(), kKzErrorAbort);
      return -1;
    }
  }
};

TEST_F(AbortTest, RepaintAnswerDispatchesPaintThenEraseAndAsksAgain) {
  HWND window = CreateWindowExA(0, "KzAbortTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Record));
  for (UINT message : {WM_ERASEBKGND, WM_TIMER, WM_PAINT, WM_PAINT}) {
    PostMessageA(window, message, 0, 0);
  }
  s_dispatched.clear();
  EXPECT_EQ(Check({2, 0}, 1), 0);
  EXPECT_EQ(s_questions, 2);
  EXPECT_EQ(s_dispatched, (std::vector<UINT>{WM_PAINT, WM_PAINT, WM_ERASEBKGND}));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER) << "other messages stay queued";
  DestroyWindow(window);
}

TEST_F(AbortTest, CallbackAnswers) {
  struct Case {
    const char* label;
    std::vector<int> answers;
    int throwFlag;
    int result;  // -1: throws
  } const cases[] = {
      {"go on", {0}, 1, 0},
      {"abort without throwing", {1}, 0, 1},
      {"abort throws", {1}, 1, -1},
      {"other answers go on", {5}, 1, 0},
      {"repaint twice, then abort", {2, 2, 1}, 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Check(c.answers, c.throwFlag), c.result) << "at " << c.label;
    EXPECT_EQ(s_questions, static_cast<int>(c.answers.size())) << "at " << c.label;
  }
}

TEST_F(AbortTest, WithoutCallbackTheUtilityLibraryDecides) {
  KzAbort::SetCallback(nullptr);
  EXPECT_EQ(KzAbort().CheckAbort(), 0);
  tqSetAbortRequest(1);
  EXPECT_EQ(KzAbort(0, 0).CheckAbort(), 1);
  EXPECT_EQ(KzAbort(0, 1).CheckAbort(), 1);
  try {
    KzAbort().CheckAbort();
    ADD_FAILURE() << "an abort request with the throw flag set throws";
  } catch (KzException& e) {
    EXPECT_EQ(e.GetErrorCode(), kKzErrorAbort);
    EXPECT_EQ(e.doAlert(nullptr), -1) << "the abort shows nothing";
  }
}

}  // namespace
