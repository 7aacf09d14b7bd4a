#include "kz/foundation/alert_testing.h"

#include <gtest/gtest.h>

#include "win32/win32.h"

KzMessageBoxRecorder& kzMessageBoxes() {
  static KzMessageBoxRecorder recorder;
  return recorder;
}

namespace {

class MessageBoxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    win32::SetMessageBoxHandler([](HWND owner, const char* text, const char* caption, UINT style) {
      KzMessageBoxRecorder& boxes = kzMessageBoxes();
      boxes.shown.push_back({owner, text ? text : "", caption ? caption : "", style});
      if (boxes.hook) boxes.hook();
      return boxes.answer;
    });
  }
  void TearDown() override { win32::SetMessageBoxHandler(nullptr); }
};

[[maybe_unused]] ::testing::Environment* const s_environment =
    ::testing::AddGlobalTestEnvironment(new MessageBoxEnvironment);

}  // namespace
