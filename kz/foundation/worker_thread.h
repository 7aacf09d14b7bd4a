// KzThread: a worker thread with a wake-up signal, the library's only way of starting threads.
//
// Derive, override RunThread, and call CreateThread. The body can rest with Sleep, which a
// WakeUp from another thread ends early (an auto-reset event: one WakeUp ends one Sleep, or the
// next one when none is waiting). The creator waits for the end with WaitForSignal and must do
// so before destroying the object: the thread runs RunThread on it.
#pragma once

#include "win32/types.h"

class KzThread {
 public:
  using AbortCallback = int (*)();

  explicit KzThread(AbortCallback abort = nullptr) : m_pAbort(abort) {}
  KzThread(const KzThread&) = delete;
  KzThread& operator=(const KzThread&) = delete;
  // Closes the handles (see CloseThread); it does not wait for the thread.
  virtual ~KzThread();

  // The thread body; its result is the thread's exit code. The base version returns 0.
  virtual unsigned int RunThread(void* parameter);

  // Stores `parameter`, creates the wake-up event and starts the thread. Non-zero on success;
  // A finished thread still held is closed first; 0 while the held thread still runs or when the
  // thread cannot be started.
  int CreateThread(void* parameter);
  // Waits up to `milliseconds` for a WakeUp. Non-zero only when the time ran out.
  int Sleep(DWORD milliseconds);
  // Ends the current (or the next) Sleep.
  void WakeUp();
  // Waits without limit for the thread to end: WAIT_OBJECT_0, or 128 (WAIT_ABANDONED) when
  // there is no thread.
  DWORD WaitForSignal();
  // The abort callback's answer, or 0 without a callback.
  int Abort();
  void SetAbortCallback(AbortCallback abort) { m_pAbort = abort; }
  // Closes the thread and event handles and forgets thread, id and parameter. The thread itself
  // is not stopped.
  void CloseThread();

  HANDLE GetThreadHandle() const { return m_hThread; }
  DWORD GetThreadId() const { return m_threadId; }
  void* GetParameter() const { return m_pParameter; }

 private:
  static unsigned ThreadRoutine(void* self);

  HANDLE m_hThread = nullptr;
  DWORD m_threadId = 0;
  void* m_pParameter = nullptr;
  AbortCallback m_pAbort = nullptr;
  HANDLE m_hWakeUp = nullptr;
};
