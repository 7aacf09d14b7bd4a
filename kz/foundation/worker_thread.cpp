#include "kz/foundation/worker_thread.h"

#include "win32/win32.h"

KzThread::~KzThread() { CloseThread(); }

unsigned int KzThread::RunThread(void* /*parameter*/) { return 0; }

unsigned KzThread::ThreadRoutine(void* self) {
  auto* thread = static_cast<KzThread*>(self);
  CoInitialize(nullptr);
  const unsigned result = thread->RunThread(thread->m_pParameter);
  CoUninitialize();
  return result;
}

int KzThread::CreateThread(void* parameter) {
  if (m_hThread) {
    // A finished thread makes way for the new one; a running one is never orphaned.
    if (WaitForSingleObject(m_hThread, 0) != WAIT_OBJECT_0) return 0;
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_threadId = 0;
  }
  m_pParameter = parameter;
  if (!m_hWakeUp) m_hWakeUp = CreateEventA(nullptr, 0, 0, nullptr);
  if (!m_hWakeUp) return 0;
  unsigned id = 0;
  m_hThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadRoutine, this, 0, &id));
  m_threadId = m_hThread ? id : 0;
  return m_hThread != nullptr;
}

int KzThread::Sleep(DWORD milliseconds) {
  return WaitForSingleObject(m_hWakeUp, milliseconds) == WAIT_TIMEOUT;
}

void KzThread::WakeUp() {
  if (m_hWakeUp) SetEvent(m_hWakeUp);
}

DWORD KzThread::WaitForSignal() {
  if (!m_hThread) return WAIT_ABANDONED;
  return WaitForSingleObject(m_hThread, INFINITE);
}

int KzThread::Abort() { return m_pAbort ? m_pAbort() : 0; }

void KzThread::CloseThread() {
  if (m_hThread) CloseHandle(m_hThread);
  if (m_hWakeUp) CloseHandle(m_hWakeUp);
  m_hThread = nullptr;
  m_hWakeUp = nullptr;
  m_threadId = 0;
  m_pParameter = nullptr;
}
