#include <atomic>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Sync, AutoResetEventReleasesOneWaitAndResets) {
  HANDLE e = CreateEventA(nullptr, 0, 1, nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(e, 0));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(e, 0));
  EXPECT_TRUE(SetEvent(e));
  EXPECT_TRUE(ResetEvent(e));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(e, 1));
  EXPECT_TRUE(CloseHandle(e));
}

TEST(Sync, ManualResetEventReleasesEveryWaiter) {
  HANDLE e = CreateEventA(nullptr, 1, 0, nullptr);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) {
    waiters.emplace_back([&] {
      if (WaitForSingleObject(e, INFINITE) == WAIT_OBJECT_0) ++released;
    });
  }
  SetEvent(e);
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released, 4);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(e, 0));  // stays signalled
  CloseHandle(e);
}

TEST(Sync, AutoResetEventHandsEachSignalToOneWaiter) {
  HANDLE e = CreateEventA(nullptr, 0, 0, nullptr);
  HANDLE done = CreateEventA(nullptr, 0, 0, nullptr);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      WaitForSingleObject(e, INFINITE);
      ++woken;
      SetEvent(done);
    });
  }
  for (int i = 1; i <= 3; ++i) {
    SetEvent(e);
    WaitForSingleObject(done, INFINITE);
    EXPECT_EQ(woken, i);
  }
  for (auto& w : waiters) w.join();
  CloseHandle(e);
  CloseHandle(done);
}

TEST(Sync, NamedEventsAreShared) {
  HANDLE a = CreateEventA(nullptr, 1, 0, "kz-test-event");
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  HANDLE b = CreateEventA(nullptr, 0, 1, "kz-test-event");
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  EXPECT_NE(a, b);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(b, 0));  // the first one's state and kind
  SetEvent(a);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(b, 0));
  CloseHandle(a);
  CloseHandle(b);
  HANDLE c = CreateEventA(nullptr, 0, 0, "kz-test-event");  // the name went with the last handle
  EXPECT_EQ(ERROR_SUCCESS, GetLastError());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(c, 0));
  CloseHandle(c);
}

TEST(Sync, BadHandles) {
  HANDLE e = CreateEventA(nullptr, 0, 0, nullptr);
  CloseHandle(e);
  for (HANDLE h : {e, HANDLE{nullptr}, INVALID_HANDLE_VALUE, GetProcessHeap()}) {
    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(h, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_FALSE(SetEvent(h));
    EXPECT_FALSE(CloseHandle(h));
  }
  HANDLE t = CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr);
  EXPECT_FALSE(SetEvent(t));  // a thread is no event
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
}

TEST(Sync, CriticalSectionIsRecursiveAndExcludesOthers) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner enters again
  BOOL otherGot = 1;
  std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(otherGot);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  std::thread([&] {
    otherGot = TryEnterCriticalSection(&cs);
    if (otherGot) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_TRUE(otherGot);

  long counter = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&cs);
        ++counter;
        LeaveCriticalSection(&cs);
      }
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_EQ(counter, 40000);
  DeleteCriticalSection(&cs);
  EXPECT_EQ(cs.impl, nullptr);
}

}  // namespace
