#include "kz/foundation/worker_thread.h"

#include <gtest/gtest.h>

#include "kz/foundation/critical_section.h"
#include "win32/win32.h"

namespace {

KzCriticalSection s_section;
long s_counter = 0;

// Waits for a WakeUp, then counts 20000 times under the shared section.
class TestThread : public KzThread {
 public:
  unsigned int RunThread(void* parameter) override {
    m_parameter = parameter;
    m_sleepResult = Sleep(INFINITE);
    for (int i = 0; i < 20000; ++i) {
      KzCriticalSectionAutoLeave hold(&s_section);
      s_counter = s_counter + 1;
    }
    return 77;
  }
  void* m_parameter = nullptr;
  int m_sleepResult = -1;
};

TEST(KzThread, StartWakeAndWait) {
  TestThread thread;
  int token = 0;
  ASSERT_NE(thread.CreateThread(&token), 0);
  EXPECT_EQ(thread.CreateThread(&token), 0) << "a running thread is not replaced";
  thread.WakeUp();
  EXPECT_EQ(thread.WaitForSignal(), WAIT_OBJECT_0);
  EXPECT_EQ(thread.m_parameter, &token);
  EXPECT_EQ(thread.m_sleepResult, 0) << "woken, not timed out";
  DWORD exitCode = 0;
  ASSERT_TRUE(GetExitCodeThread(thread.GetThreadHandle(), &exitCode));
  EXPECT_EQ(exitCode, 77u);

  EXPECT_NE(thread.Sleep(0), 0) << "no WakeUp pending: timed out";
  thread.WakeUp();
  EXPECT_EQ(thread.Sleep(0), 0);
  EXPECT_NE(thread.Sleep(0), 0) << "the event resets itself";
  thread.CloseThread();
  EXPECT_EQ(thread.WaitForSignal(), WAIT_ABANDONED);
}

TEST(KzCriticalSection, SerialisesThreadsOnceInitialised) {
  s_section.EnterSection();  // before Initialize: nothing happens
  s_section.LeaveSection();
  s_section.Initialize();
  {
    KzCriticalSectionAutoLeave hold(&s_section);
    s_section.EnterSection();  // recursive for its owner
    s_section.LeaveSection();
    hold.Leave();
  }  // left once only: the threads below can get in
  s_counter = 0;
  TestThread threads[2];
  for (TestThread& t : threads) {
    ASSERT_NE(t.CreateThread(nullptr), 0);
    t.WakeUp();
  }
  for (TestThread& t : threads) t.WaitForSignal();
  EXPECT_EQ(s_counter, 40000);
}

}  // namespace
