#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

std::vector<WPARAM> g_dispatched;  // the wParam of every message the procedure was sent

LRESULT RecordingProc(HWND, UINT, WPARAM w, LPARAM) {
  g_dispatched.push_back(w);
  return static_cast<LRESULT>(w) + 1000;
}

HWND CreateRecording(DWORD style, HWND parent) {
  HWND h = CreateWindowExA(0, "q", "", style, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc));
  return h;
}

// The wParam of the message PeekMessageA takes, or -1 when there is none.
long long Peek(HWND window, UINT first, UINT last, UINT remove = PM_REMOVE) {
  MSG msg;
  return PeekMessageA(&msg, window, first, last, remove) ? static_cast<long long>(msg.wParam) : -1;
}

void Drain() {
  while (Peek(nullptr, 0, 0) != -1) {
  }
}

TEST(MessageQueue, FiltersByWindowAndMessageRange) {
  Drain();
  HWND main = CreateRecording(WS_OVERLAPPED, nullptr);
  HWND child = CreateRecording(WS_CHILD, main);
  HWND other = CreateRecording(WS_OVERLAPPED, nullptr);
  PostMessageA(other, WM_PAINT, 1, 0);
  PostMessageA(child, WM_USER, 2, 0);
  PostMessageA(main, WM_PAINT, 3, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 4, 0);
  // A window filter takes the window's descendants too, in posting order.
  EXPECT_EQ(Peek(main, 0, 0, PM_NOREMOVE), 2);
  EXPECT_EQ(Peek(main, WM_PAINT, WM_PAINT), 3);
  EXPECT_EQ(Peek(main, WM_PAINT, WM_PAINT), -1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(std::intptr_t{-1}), 0, 0, PM_REMOVE));
  EXPECT_TRUE(msg.wParam == 4 && msg.hwnd == nullptr) << "-1 takes thread messages only";
  EXPECT_EQ(Peek(nullptr, WM_USER, WM_USER + 10), 2);
  EXPECT_EQ(Peek(nullptr, 0, 0), 1);
  EXPECT_EQ(Peek(nullptr, 0, 0), -1);
  SetLastError(0);
  EXPECT_EQ(Peek(reinterpret_cast<HWND>(std::uintptr_t{0x999}), 0, 0), -1);
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());

  // Destroying a window drops its messages and its children's.
  PostMessageA(child, WM_USER, 5, 0);
  PostMessageA(nullptr, WM_USER, 6, 0);  // to the thread
  DestroyWindow(main);
  EXPECT_EQ(Peek(nullptr, 0, 0), 6);
  EXPECT_EQ(Peek(nullptr, 0, 0), -1);
  EXPECT_FALSE(PostMessageA(main, WM_USER, 0, 0));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  DestroyWindow(other);
}

TEST(MessageQueue, DispatchAndSendCallTheProcedure) {
  Drain();
  HWND main = CreateRecording(WS_OVERLAPPED, nullptr);
  HWND plain = CreateWindowExA(0, "", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  g_dispatched.clear();
  PostMessageA(main, WM_USER, 7, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(1007, DispatchMessageA(&msg));
  EXPECT_EQ(1005, SendMessageA(main, WM_USER, 5, 0));
  EXPECT_EQ(g_dispatched, (std::vector<WPARAM>{7, 5}));
  // Without a procedure the default one answers.
  EXPECT_TRUE(SendMessageA(plain, WM_NCHITTEST, 0, 0) == HTCLIENT &&
              !SendMessageA(plain, WM_USER, 0, 0));
  MSG threadMessage{nullptr, WM_USER, 1, 0, 0, {0, 0}};
  EXPECT_EQ(0, DispatchMessageA(&threadMessage));
  DestroyWindow(main);
  DestroyWindow(plain);
}

TEST(MessageQueue, OtherThreadsPostToTheOwnersQueue) {
  Drain();
  HWND main = CreateRecording(WS_OVERLAPPED, nullptr);
  const DWORD self = GetCurrentThreadId();
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        PostMessageA(main, WM_USER, static_cast<WPARAM>(t), 0);
        PostThreadMessageA(self, WM_USER + 1, static_cast<WPARAM>(t), 0);
      }
    });
  }
  for (auto& p : posters) p.join();
  int counts[4] = {};
  for (long long t; (t = Peek(nullptr, 0, 0)) != -1;) ++counts[t];
  for (int t = 0; t < 4; ++t) EXPECT_EQ(counts[t], 200) << "at thread " << t;
  DestroyWindow(main);
}

}  // namespace
