// Test support: every message box of the foundation tests goes to a recorder, so that none blocks
// or prints. A test sets the answer and, when it needs to look at the world while a box is up,
// a hook that runs inside the box.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "win32/types.h"

struct KzShownMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT style;
};

class KzMessageBoxRecorder {
 public:
  // The process's recorder; installed as the message box handler before the first test.
  static KzMessageBoxRecorder& Get();

  // Forgets the boxes shown, answers IDOK again and drops the hook.
  void Reset();
  void SetAnswer(int answer) { m_answer = answer; }
  void SetHook(std::function<void()> hook) { m_hook = std::move(hook); }
  const std::vector<KzShownMessageBox>& Shown() const { return m_shown; }

  int Show(HWND owner, const char* text, const char* caption, UINT style);

 private:
  std::vector<KzShownMessageBox> m_shown;
  int m_answer = 1;
  std::function<void()> m_hook;
};
