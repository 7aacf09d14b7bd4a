#include <set>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

struct Gate {
  HANDLE go = CreateEventA(nullptr, 1, 0, nullptr);
  DWORD id = 0;
  ~Gate() { CloseHandle(go); }
};

DWORD WaitForGate(LPVOID p) {
  auto* gate = static_cast<Gate*>(p);
  gate->id = GetCurrentThreadId();
  WaitForSingleObject(gate->go, INFINITE);
  return 77;
}

TEST(Threads, ExitCodeAndSignalledHandle) {
  Gate gate;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, WaitForGate, &gate, 0, &id);
  ASSERT_NE(t, nullptr);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(STILL_ACTIVE, code);  // it cannot end before the gate opens
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(t, 0));
  SetEvent(gate.go);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 0));  // stays signalled
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(77u, code);
  EXPECT_EQ(id, gate.id);
  EXPECT_TRUE(CloseHandle(t));
  EXPECT_FALSE(GetExitCodeThread(t, &code));
}

struct Relay {
  HANDLE go;
  HANDLE finished;
};

DWORD FinishAfterGo(LPVOID p) {
  auto* run = static_cast<Relay*>(p);
  WaitForSingleObject(run->go, INFINITE);
  SetEvent(run->finished);
  return 0;
}

TEST(Threads, ClosingTheHandleOfARunningThreadIsSafe) {
  Relay run{CreateEventA(nullptr, 1, 0, nullptr), CreateEventA(nullptr, 1, 0, nullptr)};
  HANDLE t = CreateThread(nullptr, 64 * 1024, FinishAfterGo, &run, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(CloseHandle(t));
  SetEvent(run.go);  // the thread runs on without its handle
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.finished, INFINITE));
  CloseHandle(run.go);
  CloseHandle(run.finished);
}

TEST(Threads, SuspendedUntilResumed) {
  Gate gate;
  SetEvent(gate.go);
  HANDLE t = CreateThread(nullptr, 0, WaitForGate, &gate, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(t, 1));
  EXPECT_EQ(0u, gate.id);  // the body has not started
  EXPECT_EQ(1u, ResumeThread(t));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(0u, ResumeThread(t));
  CloseHandle(t);
  EXPECT_EQ(static_cast<DWORD>(-1), ResumeThread(t));
}

TEST(Threads, BeginThreadExReturnsTheHandleAsAnInteger) {
  unsigned input = 21;
  unsigned id = 0;
  const std::uintptr_t h = _beginthreadex(
      nullptr, 0, [](void* p) -> unsigned { return *static_cast<unsigned*>(p) * 2; }, &input, 0,
      &id);
  ASSERT_NE(h, 0u);
  auto handle = reinterpret_cast<HANDLE>(h);
  WaitForSingleObject(handle, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  EXPECT_EQ(code, 42u);
  EXPECT_NE(id, 0u);
  CloseHandle(handle);
  EXPECT_EQ(0u, _beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(0u, _beginthreadex(
                    nullptr, 0, [](void*) -> unsigned { return 0; }, nullptr, 0x99, nullptr));
}

TEST(Threads, IdsAreSmallStableAndDistinct) {
  const DWORD self = GetCurrentThreadId();
  EXPECT_NE(0u, self);
  EXPECT_EQ(self, GetCurrentThreadId());
  std::set<DWORD> ids{self};
  std::vector<std::thread> threads;
  std::vector<DWORD> seen(8);
  for (int i = 0; i < 8; ++i) threads.emplace_back([&, i] { seen[i] = GetCurrentThreadId(); });
  for (auto& t : threads) t.join();
  ids.insert(seen.begin(), seen.end());
  EXPECT_EQ(ids.size(), 9u);
  for (DWORD id : ids) EXPECT_LT(id, 1000000u);
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  CoUninitialize();
}

}  // namespace
