#include "kz/foundation/window_state.h"

#include <gtest/gtest.h>

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

class WindowStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_monitors = win32::GetMonitors();
    m_main = Make(WS_OVERLAPPED | WS_VISIBLE, 100, 100, 800, 600, nullptr);
    m_client = Make(WS_CHILD | WS_VISIBLE, 0, 0, 800, 560, m_main);
    m_palette1 = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, m_main);
    m_palette2 = Make(WS_POPUP | WS_VISIBLE, 60, 0, 50, 50, m_main);
    m_disabledPalette = Make(WS_POPUP | WS_VISIBLE, 120, 0, 50, 50, m_main);
    EnableWindow(m_disabledPalette, 0);
    m_stranger = Make(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr);
    kzwSetMainWnd(m_main, m_client);
    s_activated.clear();
    KzMessageBoxRecorder::Get().Reset();
  }
  void TearDown() override {
    kzwSetMainWnd(nullptr, nullptr);
    while (kzwIsModalDlgVisible()) kzwIncrementShowDlgCount(0);
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) DestroyWindow(*it);
    win32::SetMonitors(m_monitors);
    KzMessageBoxRecorder::Get().Reset();
  }

  HWND Make(DWORD style, int x, int y, int width, int height, HWND parentOrOwner) {
    HWND window = CreateWindowExA(0, "KzWindowStateTest", "", style, x, y, width, height,
                                  parentOrOwner, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordActivation));
    m_windows.push_back(window);
    return window;
  }

  // Enabled flags of the main window's palettes and of a window it does not own.
  std::vector<int> Enabled() {
    return {IsWindowEnabled(m_palette1), IsWindowEnabled(m_palette2),
            IsWindowEnabled(m_disabledPalette), IsWindowEnabled(m_stranger),
            IsWindowEnabled(m_main)};
  }

  std::vector<win32::Monitor> m_monitors;
  std::vector<HWND> m_windows;
  HWND m_main = nullptr;
  HWND m_client = nullptr;
  HWND m_palette1 = nullptr;
  HWND m_palette2 = nullptr;
  HWND m_disabledPalette = nullptr;
  HWND m_stranger = nullptr;
};

const std::vector<int> kAllEnabled = {1, 1, 0, 1, 1};
const std::vector<int> kPalettesDisabled = {0, 0, 0, 1, 1};

TEST_F(WindowStateTest, NestedDialogsDisableOnceAndRestoreWhenTheOuterCloses) {
  HWND outer = Make(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, m_main);
  HWND inner = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, outer);
  ASSERT_EQ(Enabled(), kAllEnabled);

  kzwModalDlgInitialize(outer, 0);
  EXPECT_EQ(Enabled(), kPalettesDisabled);
  EXPECT_TRUE(IsWindowEnabled(outer)) << "the dialog itself stays enabled";
  EXPECT_EQ(kzwIsModalDlgVisible(), 1);

  kzwModalDlgInitialize(inner, 0);
  EXPECT_TRUE(IsWindowEnabled(outer)) << "only the first dialog disables";
  kzwModalDlgDestroy(inner);
  EXPECT_EQ(Enabled(), kPalettesDisabled) << "the outer dialog is still up";
  EXPECT_EQ(kzwIsModalDlgVisible(), 1);
  EXPECT_TRUE(s_activated.empty());

  kzwModalDlgDestroy(outer);
  EXPECT_EQ(Enabled(), kAllEnabled) << "a window disabled before stays disabled";
  EXPECT_EQ(kzwIsModalDlgVisible(), 0);
  EXPECT_EQ(s_activated, (std::vector<HWND>{m_palette1, m_palette2}))
      << "each window that ends enabled is activated";
}

TEST_F(WindowStateTest, MessageBoxDisablesAndRestores) {
  std::vector<int> duringBox;
  KzMessageBoxRecorder::Get().SetHook([&] { duringBox = Enabled(); });
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "doc");
  alert.doAlert(nullptr);
  EXPECT_EQ(duringBox, kPalettesDisabled);
  EXPECT_EQ(Enabled(), kAllEnabled);
  ASSERT_EQ(KzMessageBoxRecorder::Get().Shown().size(), 1u);
  EXPECT_EQ(KzMessageBoxRecorder::Get().Shown()[0].owner, m_main) << "owned by the main window";
}

TEST_F(WindowStateTest, OddCasesOfTheBracket) {
  kzwModalDlgInitialize(nullptr, 0);
  HWND late = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, m_main);
  EnableWindow(late, 0);
  kzwModalDlgDestroy(nullptr);
  EXPECT_TRUE(IsWindowEnabled(late)) << "a window not remembered ends enabled";

  EnableWindow(late, 0);
  kzwModalDlgDestroy(nullptr);  // unbalanced: nothing happens
  EXPECT_FALSE(IsWindowEnabled(late));
  kzwIncrementShowDlgCount(1);
  EXPECT_EQ(kzwIsModalDlgVisible(), 1) << "the count never went below 0";
  kzwIncrementShowDlgCount(0);

  HWND dialog = Make(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, m_main);
  SetWindowLongPtrA(dialog, DWLP_USER, 5);
  kzwModalDlgInitialize(dialog, 0);
  EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_USER), 5) << "0 leaves the user word alone";
  kzwModalDlgInitialize(dialog, -2);
  EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_USER), -2);
  kzwModalDlgDestroy(dialog);
  kzwModalDlgDestroy(dialog);
  EXPECT_EQ(kzwIsModalDlgVisible(), 0);
}

struct PopupCase {
  const char* label;
  RECT owner;  // empty: no owner
  DWORD ownerState;
  int width;
  int height;
  POINT expected;
};

TEST_F(WindowStateTest, PopupsCentreOnTheOwnerInsideTheWorkArea) {
  // Work areas: (0, 0)-(1920, 1040) and, to its right, (1920, 0)-(3840, 1040).
  win32::SetMonitors(
      {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1040}}});
  constexpr DWORD kMinimised = WS_VISIBLE | WS_MINIMIZE;
  const PopupCase cases[] = {
      {"centred on the owner", {100, 100, 900, 700}, WS_VISIBLE, 200, 100, {400, 350}},
      {"pushed left off the right edge", {1700, 0, 1920, 200}, WS_VISIBLE, 400, 300, {1520, 0}},
      {"pushed up off the bottom", {0, 900, 400, 1080}, WS_VISIBLE, 100, 300, {150, 740}},
      {"wider than the area keeps its left", {0, 0, 1920, 1040}, WS_VISIBLE, 2000, 100, {0, 470}},
      {"clamped to the owner's monitor", {1930, 500, 2030, 600}, WS_VISIBLE, 400, 100, {1920, 500}},
      {"no owner: the primary work area", {0, 0, 0, 0}, 0, 200, 100, {860, 470}},
      {"hidden owner is ignored", {1930, 500, 2030, 600}, 0, 200, 100, {860, 470}},
      {"minimised owner is ignored", {1930, 500, 2030, 600}, kMinimised, 200, 100, {860, 470}},
  };
  for (const PopupCase& c : cases) {
    HWND owner = nullptr;
    if (c.owner.right > c.owner.left) {
      owner = Make(WS_POPUP | c.ownerState, c.owner.left, c.owner.top, c.owner.right - c.owner.left,
                   c.owner.bottom - c.owner.top, nullptr);
    }
    HWND dialog = Make(WS_POPUP, 5, 5, c.width, c.height, owner);
    kzwModalDlgInitialize(dialog, 0);
    kzwModalDlgDestroy(dialog);
    RECT placed{};
    GetWindowRect(dialog, &placed);
    EXPECT_EQ(placed.left, c.expected.x) << "at " << c.label;
    EXPECT_EQ(placed.top, c.expected.y) << "at " << c.label;
    EXPECT_EQ(placed.right - placed.left, c.width) << "at " << c.label << ": size kept";
  }
}

TEST_F(WindowStateTest, ChildDialogsCentreOnTheParentsClientArea) {
  HWND parent = Make(WS_POPUP | WS_VISIBLE, 300, 200, 400, 300, nullptr);
  RECT client{};
  GetClientRect(parent, &client);
  for (const auto& [width, left] : {std::pair{100, client.right / 2 - 50}, {1000, 0}}) {
    HWND dialog = Make(WS_CHILD | WS_VISIBLE, 0, 0, width, 50, parent);
    kzwModalDlgInitialize(dialog, 0);
    kzwModalDlgDestroy(dialog);
    RECT placed{};
    GetWindowRect(dialog, &placed);
    MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&placed), 2);
    EXPECT_EQ(placed.left, left) << "at width=" << width;
    EXPECT_EQ(placed.top, client.bottom / 2 - 25) << "at width=" << width;
  }
}

TEST_F(WindowStateTest, ProcessWideValues) {
  HWND document = Make(WS_CHILD, 0, 0, 10, 10, m_client);
  EXPECT_EQ(kzwIsMDIChildWnd(document), 1);
  EXPECT_EQ(kzwIsMDIChildWnd(m_client), 0);
  kzwSetMainWnd(m_main, nullptr);
  EXPECT_EQ(kzwIsMDIChildWnd(document), 0);

  const HINSTANCE executable = GetModuleHandleA(nullptr);
  const HINSTANCE other = reinterpret_cast<HINSTANCE>(0x5000);
  EXPECT_EQ(kzwSetInstanceHandle(other), executable);
  EXPECT_EQ(kzwGetInstanceHandle(), other);
  EXPECT_EQ(kzwSetInstanceHandle(nullptr), other);
  EXPECT_EQ(kzwGetInstanceHandle(), executable);
}

}  // namespace
