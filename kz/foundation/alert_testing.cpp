#include "kz/foundation/alert_testing.h"

#include <gtest/gtest.h>

#include "win32/win32.h"

KzMessageBoxRecorder& KzMessageBoxRecorder::Get() {
  static KzMessageBoxRecorder recorder;
  return recorder;
}

void KzMessageBoxRecorder::Reset() {
  m_shown.clear();
  m_answer = 1;
  m_hook = nullptr;
}

int KzMessageBoxRecorder::Show(HWND owner, const char* text, const char* caption, UINT style) {
  m_shown.push_back({owner, text ? text : "", caption ? caption : "", style});
  if (m_hook) m_hook();
  return m_answer;
}

namespace {

class MessageBoxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    win32::SetMessageBoxHandler([](HWND owner, const char* text, const char* caption, UINT style) {
      return KzMessageBoxRecorder::Get().Show(owner, text, caption, style);
    });
  }
  void TearDown() override { win32::SetMessageBoxHandler(nullptr); }
};

[[maybe_unused]] ::testing::Environment* const s_environment =
    ::testing::AddGlobalTestEnvironment(new MessageBoxEnvironment);

}  // namespace
