#include "kz/foundation/abort.h"

#include "kz/foundation/error.h"
#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

KzAbort::Callback KzAbort::s_pAbort = nullptr;

namespace {

constexpr int kAbortAnswer = 1;
constexpr int kRepaintAnswer = 2;

// Removes and dispatches every pending message `message` of the calling thread.
void DispatchPending(UINT message) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, message, message, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

void KzAbort::SetCallback(Callback callback) { s_pAbort = callback; }

int KzAbort::InternalAbort() {
  if (s_pAbort) return s_pAbort();
  return (m_extended ? tqAbortEx() : tqAbort()) != 0 ? kAbortAnswer : 0;
}

int KzAbort::CheckAbort() {
  int answer = InternalAbort();
  while (answer == kRepaintAnswer) {
    DispatchPending(WM_PAINT);
    DispatchPending(WM_ERASEBKGND);
    answer = InternalAbort();
  }
  if (answer != kAbortAnswer) return 0;
  if (m_throwOnAbort) kzThrowError(kKzErrorAbort);
  return 1;
}
