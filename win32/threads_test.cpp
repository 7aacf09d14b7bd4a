#include <set>
#include <thread>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

// For a thread body that waits until `go` is set, then sets `finished` and ends with 77.
struct Gate {
  HANDLE go = CreateEventA(nullptr, 1, 0, nullptr);
  HANDLE finished = CreateEventA(nullptr, 1, 0, nullptr);
  ~Gate() {
    for (HANDLE h : {go, finished}) CloseHandle(h);
  }
};

unsigned PassGate(void* p) {
  auto* gate = static_cast<Gate*>(p);
  WaitForSingleObject(gate->go, INFINITE);
  SetEvent(gate->finished);
  return 77;
}

TEST(Threads, ExitCodeAndSignalledHandle) {
  Gate gate;
  DWORD code = 0;
  HANDLE t = CreateThread(
      nullptr, 64 * 1024, [](LPVOID p) -> DWORD { return PassGate(p); }, &gate, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(GetExitCodeThread(t, &code) && code == STILL_ACTIVE) << "the gate is closed";
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(t, 0));
  SetEvent(gate.go);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 0)) << "it stays signalled";
  EXPECT_TRUE(GetExitCodeThread(t, &code) && code == 77);
  EXPECT_TRUE(CloseHandle(t) && !GetExitCodeThread(t, &code));
}

TEST(Threads, BeginThreadExGivesAHandleThatMayBeClosedEarly) {
  Gate gate;
  unsigned id = 0;
  const std::uintptr_t h = _beginthreadex(nullptr, 0, PassGate, &gate, 0, &id);
  ASSERT_TRUE(h != 0 && id != 0);
  EXPECT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(h))) << "the thread runs on without it";
  SetEvent(gate.go);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(gate.finished, INFINITE));
  EXPECT_EQ(0u, _beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(0u, _beginthreadex(nullptr, 0, PassGate, &gate, 0x99, nullptr)) << "unknown flag";
}

TEST(Threads, IdsAreSmallAndDistinct) {
  std::set<DWORD> ids{GetCurrentThreadId(), 0};
  for (int i = 0; i < 4; ++i) std::thread([&ids] { ids.insert(GetCurrentThreadId()); }).join();
  EXPECT_EQ(ids.size(), 6u) << "none is 0";
  EXPECT_LT(*ids.rbegin(), 1000000u);
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
}

}  // namespace
