#include <atomic>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

TEST(Sync, AutoResetEventHandsEachSignalToOneWaiter) {
  HANDLE e = CreateEventA(nullptr, 0, 1, nullptr), done = CreateEventA(nullptr, 0, 0, nullptr);
  EXPECT_TRUE(WaitForSingleObject(e, 0) == WAIT_OBJECT_0 &&
              WaitForSingleObject(e, 0) == WAIT_TIMEOUT)
      << "the wait reset it";
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
  EXPECT_TRUE(CloseHandle(e) && CloseHandle(done));
}

TEST(Sync, BadHandles) {
  HANDLE e = CreateEventA(nullptr, 0, 0, nullptr);
  CloseHandle(e);
  HANDLE t = CreateThread(
      nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr);
  for (HANDLE h : {e, HANDLE{nullptr}, INVALID_HANDLE_VALUE, GetProcessHeap(), t}) {
    SetLastError(0);
    EXPECT_TRUE(!SetEvent(h) && GetLastError() == ERROR_INVALID_HANDLE) << h;
    if (h == t) continue;  // a thread is no event, but a handle to wait for and to close
    SetLastError(0);
    EXPECT_TRUE(WaitForSingleObject(h, 0) == WAIT_FAILED && GetLastError() == ERROR_INVALID_HANDLE)
        << h;
    EXPECT_FALSE(CloseHandle(h)) << h;
  }
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
}

TEST(Sync, CriticalSectionIsRecursiveAndExcludesOthers) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs)) << "the owner enters again";
  BOOL otherGot = 1;
  std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(otherGot);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  std::thread([&] {
    otherGot = TryEnterCriticalSection(&cs);
    if (otherGot) LeaveCriticalSection(&cs);
  }).join();
  EXPECT_TRUE(otherGot) << "both leaves released it";
  DeleteCriticalSection(&cs);
  EXPECT_EQ(cs.impl, nullptr);
}

}  // namespace
