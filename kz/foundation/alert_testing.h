// Test support: every message box of the foundation tests goes to a recorder, so that none blocks
// or prints. A test sets the answer and, when it needs to look at the world while a box is up,
// a hook that runs inside the box; `kzMessageBoxes() = {}` starts afresh.
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

struct KzMessageBoxRecorder {
  std::vector<KzShownMessageBox> shown;
  int answer = 1;  // IDOK
  std::function<void()> hook;
};

// The process's recorder; installed as the message box handler before the first test.
KzMessageBoxRecorder& kzMessageBoxes();
