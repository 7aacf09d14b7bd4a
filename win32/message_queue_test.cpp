#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

struct Dispatched {
  HWND window;
  UINT message;
  WPARAM wParam;
};
std::vector<Dispatched> g_dispatched;

LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM) {
  g_dispatched.push_back({h, m, w});
  return static_cast<LRESULT>(w) + 1000;
}

HWND CreateRecording(DWORD style, HWND parent) {
  HWND h = CreateWindowExA(0, "q", "", style, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc));
  return h;
}

void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
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

  MSG msg;
  // A window filter takes the window's descendants too, in posting order.
  ASSERT_TRUE(PeekMessageA(&msg, main, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&msg, main, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(PeekMessageA(&msg, main, WM_PAINT, WM_PAINT, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(std::intptr_t{-1}), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 4u);
  EXPECT_EQ(msg.hwnd, nullptr);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

  SetLastError(0);
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(std::uintptr_t{0x999}), 0, 0, 0));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  DestroyWindow(main);
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
  ASSERT_EQ(g_dispatched.size(), 2u);
  EXPECT_EQ(g_dispatched[0].wParam, 7u);
  // Without a procedure the default one answers.
  EXPECT_EQ(HTCLIENT, SendMessageA(plain, WM_NCHITTEST, 0, 0));
  EXPECT_EQ(0, SendMessageA(plain, WM_USER, 0, 0));
  MSG threadMessage{nullptr, WM_USER, 1, 0, 0, {0, 0}};
  EXPECT_EQ(0, DispatchMessageA(&threadMessage));
  DestroyWindow(main);
  DestroyWindow(plain);
}

TEST(MessageQueue, DestroyedWindowsLeaveNoMessages) {
  Drain();
  HWND main = CreateRecording(WS_OVERLAPPED, nullptr);
  HWND child = CreateRecording(WS_CHILD, main);
  PostMessageA(child, WM_USER, 1, 0);
  PostMessageA(nullptr, WM_USER, 2, 0);  // to the thread
  DestroyWindow(main);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA(main, WM_USER, 0, 0));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST(MessageQueue, OtherThreadsPostToTheOwnersQueue) {
  Drain();
  HWND main = CreateRecording(WS_OVERLAPPED, nullptr);
  const DWORD self = GetCurrentThreadId();
  constexpr int kPerThread = 200;
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        if (i % 2 == 0) {
          PostMessageA(main, WM_USER, static_cast<WPARAM>(t), 0);
        } else {
          PostThreadMessageA(self, WM_USER + 1, static_cast<WPARAM>(t), 0);
        }
      }
    });
  }
  for (auto& p : posters) p.join();
  int counts[4] = {};
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ++counts[msg.wParam];
  for (int t = 0; t < 4; ++t) EXPECT_EQ(counts[t], kPerThread) << "at thread " << t;
  DestroyWindow(main);
}

TEST(MessageQueue, ThreadMessagesNeedALiveThread) {
  DWORD ended = 0;
  std::thread([&] { ended = GetCurrentThreadId(); }).join();
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessageA(ended, WM_USER, 0, 0));
  EXPECT_EQ(ERROR_INVALID_THREAD_ID, GetLastError());
  EXPECT_FALSE(PostThreadMessageA(0, WM_USER, 0, 0));

  // A worker's own queue: posted before it looks, seen when it looks.
  HANDLE posted = CreateEventA(nullptr, 1, 0, nullptr);
  DWORD workerId = 0;
  WPARAM received = 0;
  std::thread worker([&] {
    workerId = GetCurrentThreadId();
    SetEvent(posted);  // its id is known now; wait for the message
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) std::this_thread::yield();
    received = msg.wParam;
  });
  WaitForSingleObject(posted, INFINITE);
  EXPECT_TRUE(PostThreadMessageA(workerId, WM_USER, 42, 0));
  worker.join();
  EXPECT_EQ(received, 42u);
  CloseHandle(posted);
}

}  // namespace
