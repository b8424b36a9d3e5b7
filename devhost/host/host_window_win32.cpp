#include "devhost/host/host_window.h"

#include <tuple>
#include <vector>

namespace devhost {

namespace {

std::mutex g_counts_mutex;
std::vector<std::tuple<HWND, UINT, WPARAM>> g_received;

constexpr wchar_t kClassW[] = L"devhost.HostWindowW";
constexpr char kClassA[] = "devhost.HostWindowA";
constexpr wchar_t kChildClassW[] = L"devhost.HostChildW";
constexpr char kChildClassA[] = "devhost.HostChildA";

void RegisterClasses(WNDPROC procW, WNDPROC procA) {
  static std::once_flag once;
  std::call_once(once, [&] {
    WNDCLASSW w{};
    w.lpfnWndProc = procW;
    w.hInstance = GetModuleHandleW(nullptr);
    w.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    w.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    w.lpszClassName = kClassW;
    RegisterClassW(&w);
    w.lpszClassName = kChildClassW;
    RegisterClassW(&w);
    WNDCLASSA a{};
    a.lpfnWndProc = procA;
    a.hInstance = GetModuleHandleW(nullptr);
    a.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    a.lpszClassName = kClassA;
    RegisterClassA(&a);
    a.lpszClassName = kChildClassA;
    RegisterClassA(&a);
  });
}

}  // namespace

HostWindow::HostWindow(const wchar_t* title, bool unicode, bool visible) : unicode_(unicode) {
  RegisterClasses(&ProcW, &ProcA);
  const DWORD style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0);
  if (unicode) {
    main_ = CreateWindowExW(0, kClassW, title, style, 40, 40, 320, 200, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    child_ = CreateWindowExW(0, kChildClassW, L"child", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30,
                             main_, nullptr, GetModuleHandleW(nullptr), nullptr);
  } else {
    main_ = CreateWindowExA(0, kClassA, "ansi host window", style, 60, 60, 320, 200, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    child_ = CreateWindowExA(0, kChildClassA, "child", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30,
                             main_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  if (visible) UpdateWindow(main_);
  Pump();
}

HostWindow::~HostWindow() {
  if (main_ != nullptr) DestroyWindow(main_);
  Pump();
}

int HostWindow::Count(HWND window, UINT message) const {
  std::lock_guard<std::mutex> lock(g_counts_mutex);
  int count = 0;
  for (const auto& [w, m, wParam] : g_received) count += w == window && m == message;
  return count;
}

int HostWindow::Count(HWND window, UINT message, WPARAM wParam) const {
  std::lock_guard<std::mutex> lock(g_counts_mutex);
  int count = 0;
  for (const auto& [w, m, p] : g_received) count += w == window && m == message && p == wParam;
  return count;
}

void HostWindow::ResetCounts() {
  std::lock_guard<std::mutex> lock(g_counts_mutex);
  g_received.clear();
}

LONG_PTR HostWindow::OwnProcedure(bool unicode) {
  return unicode ? reinterpret_cast<LONG_PTR>(&ProcW) : reinterpret_cast<LONG_PTR>(&ProcA);
}

void HostWindow::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void HostWindow::Record(HWND window, UINT message, WPARAM wParam) {
  std::lock_guard<std::mutex> lock(g_counts_mutex);
  g_received.emplace_back(window, message, wParam);
}

LRESULT CALLBACK HostWindow::ProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record(window, message, wParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK HostWindow::ProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record(window, message, wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace devhost
