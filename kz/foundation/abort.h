// KzAbort: lets a long operation ask whether the user wants to cancel it.
//
// The question goes to a process-wide callback when the application set one, else to the
// utility library's abort request (tqAbort, or tqAbortEx for an extended check). A callback may
// answer 2, "not yet, but repaint": the pending paint and erase-background messages of the
// calling thread are dispatched and the question is asked again. Meant for the user-interface
// thread.
#pragma once

class KzAbort {
 public:
  using Callback = int (*)();

  // `throwOnAbort` non-zero: CheckAbort throws the abort code instead of returning 1.
  // `extended` non-zero: ask tqAbortEx instead of tqAbort.
  explicit KzAbort(int throwOnAbort = 1, int extended = 0)
      : m_throwOnAbort(throwOnAbort), m_extended(extended) {}

  // 1 when the user asked to abort and the throw flag is clear; 0 to go on (a callback answer
  // other than 1 and 2 counts as going on). With the throw flag set an abort throws 0x20010004,
  // whose alert is empty and shows nothing.
  int CheckAbort();

  // Sets (or clears, with null) the process-wide callback.
  static void SetCallback(Callback callback);

 protected:
  // One question without dispatching: the callback's raw answer, else 1 or 0 from the utility
  // library.
  int InternalAbort();

 private:
  int m_throwOnAbort;
  int m_extended;

  static Callback s_pAbort;
};
