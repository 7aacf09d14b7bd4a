#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "win32/win32.h"

namespace {

using Rect = std::vector<LONG>;
Rect V(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(Monitors, DefaultIsOneFullHdMonitorWithTaskBar) {
  const auto monitors = win32::GetMonitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(V(monitors[0].rect), (Rect{0, 0, 1920, 1080}));
  EXPECT_EQ(V(monitors[0].work), (Rect{0, 0, 1920, 1040}));
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_TRUE(V(work) == V(monitors[0].work) && GetSystemMetrics(SM_CMONITORS) == 1);
}

// Two side-by-side monitors for the duration of a test; the default list comes back after.
class TwoMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    win32::SetMonitors({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                        {{1920, -200, 3200, 824}, {1920, -200, 3200, 824}}});
    m_primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL);
    m_second = MonitorFromPoint({1920, 0}, MONITOR_DEFAULTTONULL);
    ASSERT_TRUE(m_primary != nullptr && m_second != nullptr && m_primary != m_second);
  }
  void TearDown() override { win32::SetMonitors({}); }

  HMONITOR m_primary = nullptr;
  HMONITOR m_second = nullptr;
};

TEST_F(TwoMonitors, LookupsPickByOverlapThenByFlags) {
  EXPECT_EQ(m_primary, MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL));   // stable handles
  EXPECT_EQ(MonitorFromPoint({3200, 0}, MONITOR_DEFAULTTONULL), nullptr);  // right edge excluded
  const std::tuple<const char*, RECT, DWORD, HMONITOR> cases[] = {
      {"mostly on the second", {1800, 0, 2100, 100}, MONITOR_DEFAULTTONULL, m_second},
      {"mostly on the primary", {1700, 0, 1950, 100}, MONITOR_DEFAULTTONULL, m_primary},
      {"off screen, null", {5000, 0, 5100, 10}, MONITOR_DEFAULTTONULL, nullptr},
      {"off screen, primary", {5000, 0, 5100, 10}, MONITOR_DEFAULTTOPRIMARY, m_primary},
      {"off screen right, nearest", {5000, 0, 5100, 10}, MONITOR_DEFAULTTONEAREST, m_second},
      {"below the second, nearest", {1950, 1000, 2000, 1050}, MONITOR_DEFAULTTONEAREST, m_primary},
      {"just below the second", {2000, 900, 2100, 950}, MONITOR_DEFAULTTONEAREST, m_second},
      {"empty rect is its corner", {1920, 10, 1920, 10}, MONITOR_DEFAULTTONULL, m_second},
  };
  for (const auto& [label, rect, flags, expected] : cases) {
    EXPECT_EQ(MonitorFromRect(&rect, flags), expected) << label;
  }
}

TEST_F(TwoMonitors, InfoMetricsAndWindows) {
  MONITORINFOEXA info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoA(m_second, &info));
  EXPECT_EQ(info.dwFlags, 0u);
  EXPECT_EQ(V(info.rcWork), (Rect{1920, -200, 3200, 824}));
  EXPECT_STREQ(info.szDevice, "\\\\.\\DISPLAY2");
  info.cbSize = sizeof(MONITORINFO);
  ASSERT_TRUE(GetMonitorInfoA(m_primary, &info));
  EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
  RECT r;
  GetWindowRect(GetDesktopWindow(), &r);
  EXPECT_EQ(V(r), (Rect{0, -200, 3200, 1080})) << "the desktop spans every monitor";

  HWND w = CreateWindowExA(0, "", "", 0, 2000, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), m_second);
  EXPECT_EQ(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), m_primary);
  ShowWindow(w, SW_MAXIMIZE);  // fills the work area of its own monitor
  GetWindowRect(w, &r);
  EXPECT_EQ(V(r), (Rect{1920, -200, 3200, 824}));
  DestroyWindow(w);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), nullptr);
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST_F(TwoMonitors, BadArguments) {
  MONITORINFO info{};
  info.cbSize = 12;
  EXPECT_TRUE(!GetMonitorInfoA(m_primary, &info) && GetLastError() == ERROR_INVALID_PARAMETER);
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetMonitorInfoA(reinterpret_cast<HMONITOR>(std::uintptr_t{5}), &info));
  EXPECT_EQ(ERROR_INVALID_MONITOR_HANDLE, GetLastError());
  win32::SetMonitors({});  // back to one monitor: the second handle names nothing now
  EXPECT_FALSE(GetMonitorInfoA(m_second, &info));
}

}  // namespace
