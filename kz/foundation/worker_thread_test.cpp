#include "kz/foundation/worker_thread.h"

#include <gtest/gtest.h>

#include "kz/foundation/critical_section.h"
#include "win32/win32.h"

namespace {

// Waits for a WakeUp and reports what it saw.
class WaitingThread : public KzThread {
 public:
  unsigned int RunThread(void* parameter) override {
    m_parameter = parameter;
    m_sleepResult = Sleep(INFINITE);
    return 77;
  }
  void* m_parameter = nullptr;
  int m_sleepResult = -1;
};

TEST(KzThread, StartWakeAndWait) {
  WaitingThread thread;
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
  EXPECT_EQ(thread.GetThreadHandle(), nullptr);
  EXPECT_EQ(thread.GetParameter(), nullptr);
  EXPECT_EQ(thread.WaitForSignal(), WAIT_ABANDONED);
  EXPECT_EQ(thread.Abort(), 0);
  thread.SetAbortCallback([] { return 3; });
  EXPECT_EQ(thread.Abort(), 3);
}

// Adds to a shared counter under the section.
class CountingThread : public KzThread {
 public:
  CountingThread(KzCriticalSection* section, long* counter)
      : m_section(section), m_counter(counter) {}
  unsigned int RunThread(void*) override {
    for (int i = 0; i < 20000; ++i) {
      KzCriticalSectionAutoLeave hold(m_section);
      *m_counter = *m_counter + 1;
    }
    return 0;
  }

 private:
  KzCriticalSection* m_section;
  long* m_counter;
};

TEST(KzCriticalSection, SerialisesThreadsOnceInitialised) {
  KzCriticalSection section;
  section.EnterSection();  // before Initialize: nothing happens
  section.LeaveSection();
  section.Initialize();
  section.Initialize();
  {
    KzCriticalSectionAutoLeave hold(&section);
    section.EnterSection();  // recursive for its owner
    section.LeaveSection();
    hold.Leave();
  }  // left once only: another thread can get in below
  long counter = 0;
  CountingThread first(&section, &counter);
  CountingThread second(&section, &counter);
  ASSERT_NE(first.CreateThread(nullptr), 0);
  ASSERT_NE(second.CreateThread(nullptr), 0);
  first.WaitForSignal();
  second.WaitForSignal();
  EXPECT_EQ(counter, 40000);
}

}  // namespace
