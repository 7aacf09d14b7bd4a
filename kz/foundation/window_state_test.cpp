#include "kz/foundation/window_state.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "kz/foundation/alert.h"
#include "kz/foundation/alert_testing.h"
#include "kz/foundation/error.h"
#include "win32/win32.h"

namespace {

std::vector<HWND> s_activated;
LRESULT RecordActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCACTIVATE && wParam == 1) s_activated.push_back(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

// A main window with a client window, three palettes it owns (the last one disabled) and a
// window it does not own.
class WindowStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_monitors = win32::GetMonitors();
    m_main = Make(WS_OVERLAPPED | WS_VISIBLE, 100, 100, 800, 600, nullptr);
    kzwSetMainWnd(m_main, Make(WS_CHILD | WS_VISIBLE, 0, 0, 800, 560, m_main));
    for (HWND& palette : m_palettes) palette = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, m_main);
    EnableWindow(m_palettes[2], 0);
    m_stranger = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr);
    s_activated.clear();
  }
  void TearDown() override {
    kzwSetMainWnd(nullptr, nullptr);
    while (kzwIsModalDlgVisible()) kzwIncrementShowDlgCount(0);
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) DestroyWindow(*it);
    win32::SetMonitors(m_monitors);
    kzMessageBoxes() = {};
  }

  HWND Make(DWORD style, int x, int y, int width, int height, HWND parentOrOwner) {
    HWND window = CreateWindowExA(0, "KzWindowStateTest", "", style, x, y, width, height,
                                  parentOrOwner, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordActivation));
    m_windows.push_back(window);
    return window;
  }
  // Where `dialog` lands once its bracket opened, relative to `parent` (null: the screen).
  RECT Placed(HWND dialog, HWND parent = nullptr) {
    kzwModalDlgInitialize(dialog, 0);
    kzwModalDlgDestroy(dialog);
    RECT placed{};
    GetWindowRect(dialog, &placed);
    MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&placed), 2);
    return placed;
  }
  // Enabled flags of the palettes, the stranger and the main window.
  std::vector<int> Enabled() {
    return {IsWindowEnabled(m_palettes[0]), IsWindowEnabled(m_palettes[1]),
            IsWindowEnabled(m_palettes[2]), IsWindowEnabled(m_stranger), IsWindowEnabled(m_main)};
  }

  std::vector<win32::Monitor> m_monitors;
  std::vector<HWND> m_windows;
  HWND m_main = nullptr;
  HWND m_palettes[3] = {};
  HWND m_stranger = nullptr;
};

const std::vector<int> kAllEnabled = {1, 1, 0, 1, 1};
const std::vector<int> kPalettesDisabled = {0, 0, 0, 1, 1};

TEST_F(WindowStateTest, NestedDialogsAndBoxesDisableOnceAndRestoreAtTheEnd) {
  HWND outer = Make(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, m_main);
  HWND inner = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, outer);
  kzwModalDlgInitialize(outer, 0);
  EXPECT_EQ(Enabled(), kPalettesDisabled);
  EXPECT_TRUE(IsWindowEnabled(outer)) << "the dialog itself stays enabled";
  kzwModalDlgInitialize(inner, -2);
  EXPECT_TRUE(IsWindowEnabled(outer)) << "only the first dialog disables";
  EXPECT_EQ(GetWindowLongPtrA(inner, DWLP_USER), -2);
  kzwModalDlgDestroy(inner);
  EXPECT_EQ(Enabled(), kPalettesDisabled) << "the outer dialog is still up";
  EXPECT_EQ(kzwIsModalDlgVisible(), 1);
  EXPECT_TRUE(s_activated.empty());
  kzwModalDlgDestroy(outer);
  EXPECT_EQ(Enabled(), kAllEnabled) << "a window disabled before stays disabled";
  EXPECT_EQ(kzwIsModalDlgVisible(), 0);
  EXPECT_EQ(s_activated, (std::vector<HWND>{m_palettes[0], m_palettes[1]}))
      << "each window that ends enabled is activated";

  std::vector<int> duringBox;  // a message box opens the same bracket
  kzMessageBoxes().hook = [&] { duringBox = Enabled(); };
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "doc");
  alert.doAlert(nullptr);
  EXPECT_EQ(duringBox, kPalettesDisabled);
  EXPECT_EQ(Enabled(), kAllEnabled);
  EXPECT_EQ(kzMessageBoxes().shown.at(0).owner, m_main) << "owned by the main window";
  EnableWindow(m_palettes[0], 0);
  kzwModalDlgDestroy(nullptr);  // unbalanced: nothing happens, the count stays at 0
  EXPECT_FALSE(IsWindowEnabled(m_palettes[0]));
  kzwIncrementShowDlgCount(1);
  EXPECT_EQ(kzwIsModalDlgVisible(), 1) << "the count never went below 0";
}

TEST_F(WindowStateTest, DialogsCentreInsideTheWorkArea) {
  // Work areas: (0, 0)-(1920, 1040) and, to its right, (1920, 0)-(3840, 1040).
  win32::SetMonitors(
      {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}}});
  // The owner's rectangle (empty: no owner) and state (hidden or minimised: ignored), the dialog's
  // size and where it lands.
  const std::tuple<const char*, RECT, DWORD, int, int, POINT> cases[] = {
      {"centred on the owner", {100, 100, 900, 700}, WS_VISIBLE, 200, 100, {400, 350}},
      {"pushed left off the right edge", {1700, 0, 1920, 200}, WS_VISIBLE, 400, 300, {1520, 0}},
      {"pushed up off the bottom", {0, 900, 400, 1080}, WS_VISIBLE, 100, 300, {150, 740}},
      {"wider than the area keeps its left", {0, 0, 1920, 1040}, WS_VISIBLE, 2000, 100, {0, 470}},
      {"clamped to the owner's monitor", {1930, 500, 2030, 600}, WS_VISIBLE, 400, 100, {1920, 500}},
      {"no owner: the primary work area", {0, 0, 0, 0}, 0, 200, 100, {860, 470}},
      {"minimised owner", {1930, 500, 2030, 600}, WS_VISIBLE | WS_MINIMIZE, 200, 100, {860, 470}},
  };
  for (const auto& [label, rect, state, width, height, expected] : cases) {
    const HWND owner = rect.right > rect.left
                           ? Make(WS_POPUP | state, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr)
                           : nullptr;
    const RECT placed = Placed(Make(WS_POPUP, 5, 5, width, height, owner));
    EXPECT_EQ((std::tuple{placed.left, placed.top, placed.right - placed.left}),
              (std::tuple{expected.x, expected.y, LONG{width}}))
        << "at " << label << " (left, top, width)";
  }
  // A child dialog centres on its parent's client area.
  HWND parent = Make(WS_POPUP | WS_VISIBLE, 300, 200, 400, 300, nullptr);
  RECT client{};
  GetClientRect(parent, &client);
  for (const auto& [width, left] : {std::pair{100, client.right / 2 - 50}, {1000, 0}}) {
    const RECT placed = Placed(Make(WS_CHILD | WS_VISIBLE, 0, 0, width, 50, parent), parent);
    EXPECT_EQ((std::pair{placed.left, placed.top}), (std::pair{left, client.bottom / 2 - 25}))
        << "at width=" << width;
  }
}

}  // namespace
