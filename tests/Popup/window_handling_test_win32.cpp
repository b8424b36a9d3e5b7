// The pop-up on real windows: a devhost host window with a child control stays painted but takes
// no input while the companion's dialog is open, activating the host brings the dialog forward,
// and every window gets its procedure back when the companion exits.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "Popup/PopupClient.h"
#include "Popup/window_handling.h"
#include "devhost/host/host.h"
#include "devhost/host/host_window.h"
#include "params/table/param_table.h"
#include "popup_test_support.h"

namespace {

using devhost::HostWindow;
using popup_test::CompanionTest;
using popup_test::ReadBytes;
using popup_test::Utf8;

constexpr wchar_t kDialogCaption[] = L"Orbisk test dialog";

LONG_PTR Procedure(HWND window) {
  return IsWindowUnicode(window) ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                 : GetWindowLongPtrA(window, GWLP_WNDPROC);
}

bool CarriesAProperty(HWND window) {
  return GetPropW(window, L"@SpawnContext") != nullptr ||
         GetPropA(window, "@SpawnContext") != nullptr ||
         GetPropW(window, L"@OriginalWndProc") != nullptr ||
         GetPropA(window, "@OriginalWndProc") != nullptr;
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(20);
  }
  return true;
}

LRESULT CALLBACK SomeoneElsesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
  return static_cast<LRESULT>(result);
}

// Keeps the host thread's queue busy until the pop-up has attached, as a host's own traffic does.
// Attached means its procedure is in place: the property goes on first, so a procedure set over
// the window on seeing the property alone could still be replaced by the pop-up's.
void WakeUntilAttached(HWND window, std::atomic<bool>& stop) {
  WaitFor([&] {
    PostMessageW(window, WM_NULL, 0, 0);
    return stop || (GetPropW(window, L"@SpawnContext") != nullptr &&
                    Procedure(window) != HostWindow::OwnProcedure(true));
  });
}

OperationResult RunTestPopup(JsonDocument& answer) {
  return RunPopup(kCompanionCaption, LocateCompanion(kCompanionFileName, kCompanionDefaultPath),
                  BuildHostSettingsJson(0, 10, 3), answer);
}

// The companion's dialog once it shows, the host's thread woken meanwhile; none after 10 s.
HWND WaitForDialog(HWND host) {
  HWND dialog = nullptr;
  WaitFor([&] {
    PostMessageW(host, WM_NULL, 0, 0);
    return (dialog = FindWindowW(L"#32770", kDialogCaption)) != nullptr;
  });
  return dialog;
}

// Seconds of processor time the thread has used.
double ThreadSeconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](FILETIME t) {
    return (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// Someone else's subclass that passes every message on down the chain.
WNDPROC g_below = nullptr;
LRESULT CALLBACK ChainingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(g_below, window, message, wParam, lParam);
}

std::atomic<int> g_quitsTaken{0};
LRESULT CALLBACK CountQuits(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && reinterpret_cast<const MSG*>(lParam)->message == WM_QUIT) ++g_quitsTaken;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
void CALLBACK QuitFromTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostQuitMessage(42);
}

using PopupWindows = CompanionTest;

TEST_F(PopupWindows, HostIsInertWhileTheDialogIsOpenAndRestoredAfter) {
  HostWindow ansi(L"", /*unicode=*/false);
  HostWindow main(L"Tessgrain test host");
  // On top of the others, but not the host's main window: that is the first visible one.
  HostWindow hidden(L"hidden host window", true, /*visible=*/false);
  // A child that carries the property already is left alone.
  const HWND marked = CreateWindowExW(0, L"STATIC", L"marked", WS_CHILD | WS_VISIBLE, 10, 50, 80,
                                      20, main.Main(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SetPropW(marked, L"@SpawnContext", reinterpret_cast<HANDLE>(1));
  HostWindow::Pump();

  const HWND inputTargets[] = {main.Main(), main.Child(), ansi.Main(), ansi.Child()};
  LONG_PTR before[4];
  for (int i = 0; i < 4; ++i) before[i] = Procedure(inputTargets[i]);
  const LONG_PTR markedBefore = Procedure(marked);
  ASSERT_FALSE(IsWindowUnicode(ansi.Main()));

  Plan({"record " + Utf8(File("request.txt")), "dialog 20000 Orbisk test dialog",
        "out json:{\"closed\":true}\\n"});

  struct Seen {
    bool attached = false, dialogFound = false, allSubclassed = false, ansiStayedAnsi = false;
    bool markedUntouched = false, painted = false, dialogInFront = false;
    int inputReceived = -1, activationsReceived = -1, deactivationsReceived = -1;
  } seen;
  std::thread prober([&] {
    std::atomic<bool> stop{false};
    seen.attached = WaitFor([&] {
      PostMessageW(main.Main(), WM_NULL, 0, 0);
      return GetPropW(main.Main(), L"@SpawnContext") != nullptr;
    });
    HWND dialog = nullptr;
    seen.dialogFound =
        WaitFor([&] { return (dialog = FindWindowW(L"#32770", kDialogCaption)) != nullptr; });
    if (!seen.attached || !seen.dialogFound) {
      if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
      return;
    }
    seen.allSubclassed = true;
    for (int i = 0; i < 4; ++i) seen.allSubclassed &= Procedure(inputTargets[i]) != before[i];
    seen.ansiStayedAnsi = !IsWindowUnicode(ansi.Main()) && !IsWindowUnicode(ansi.Child());
    seen.markedUntouched = Procedure(marked) == markedBefore;

    main.ResetCounts();
    for (const HWND window : inputTargets) {
      for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_COMMAND,
                                 WM_SYSCOMMAND, WM_TIMER, WM_CLOSE}) {
        Send(window, message);
      }
    }
    seen.inputReceived = 0;
    for (const HWND window : inputTargets) {
      for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_COMMAND,
                                 WM_SYSCOMMAND, WM_TIMER, WM_CLOSE}) {
        seen.inputReceived += main.Count(window, message);
      }
    }

    InvalidateRect(main.Main(), nullptr, TRUE);
    seen.painted = WaitFor([&] { return main.Count(main.Main(), WM_PAINT) > 0; }, 5000);

    Send(main.Main(), WM_ACTIVATEAPP, TRUE);
    Send(main.Main(), WM_ACTIVATEAPP, FALSE);
    seen.activationsReceived = main.Count(main.Main(), WM_ACTIVATEAPP, TRUE);
    seen.deactivationsReceived = main.Count(main.Main(), WM_ACTIVATEAPP, FALSE);
    seen.dialogInFront = WaitFor([&] { return GetForegroundWindow() == dialog; }, 3000);

    // Someone else subclasses a host window while the pop-up is open.
    SetWindowLongPtrW(hidden.Main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SomeoneElsesProc));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  });

  JsonDocument answer;
  const OperationResult result = RunTestPopup(answer);
  prober.join();

  ASSERT_TRUE(seen.attached);
  ASSERT_TRUE(seen.dialogFound);
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_TRUE(answer.Get()["closed"].GetBool());
  EXPECT_EQ(ReadBytes(File("request.txt")),
            "{\"popup\":\"HostSettings\",\"host\":0,\"plugin\":10,\"tab\":3,\"owner\":" +
                std::to_string(reinterpret_cast<std::uintptr_t>(main.Main())) + "}\n");

  // While the dialog was open.
  EXPECT_TRUE(seen.allSubclassed);
  EXPECT_TRUE(seen.ansiStayedAnsi);
  EXPECT_TRUE(seen.markedUntouched);
  EXPECT_EQ(seen.inputReceived, 0);
  EXPECT_TRUE(seen.painted);
  EXPECT_EQ(seen.activationsReceived, 0);
  EXPECT_GE(seen.deactivationsReceived, 1);  // ours, and the real one as the dialog came forward
  EXPECT_TRUE(seen.dialogInFront);

  // After the companion exited.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Procedure(inputTargets[i]), before[i]) << i;
    EXPECT_FALSE(CarriesAProperty(inputTargets[i])) << i;
  }
  EXPECT_FALSE(IsWindowUnicode(ansi.Main()));
  EXPECT_EQ(Procedure(hidden.Main()), reinterpret_cast<LONG_PTR>(&SomeoneElsesProc));
  EXPECT_TRUE(CarriesAProperty(hidden.Main()));
  EXPECT_EQ(Procedure(marked), markedBefore);
  EXPECT_EQ(GetPropW(marked, L"@SpawnContext"), reinterpret_cast<HANDLE>(1));
  main.ResetCounts();
  Send(main.Main(), WM_LBUTTONDOWN);
  Send(ansi.Child(), WM_KEYDOWN);
  EXPECT_EQ(main.Count(main.Main(), WM_LBUTTONDOWN), 1);
  EXPECT_EQ(main.Count(ansi.Child(), WM_KEYDOWN), 1);

  // The window someone else subclassed is theirs to clean up.
  SetWindowLongPtrW(hidden.Main(), GWLP_WNDPROC, HostWindow::OwnProcedure(true));
  RemovePropW(hidden.Main(), L"@SpawnContext");
  RemovePropW(hidden.Main(), L"@OriginalWndProc");
}

TEST_F(PopupWindows, MinimisedHostWindowIsRestoredWhenThePopupCloses) {
  HostWindow main(L"Tessgrain minimised host");
  // With other programs on the display the first request may not take at once.
  ASSERT_TRUE(WaitFor(
      [&] {
        ShowWindow(main.Main(), SW_MINIMIZE);
        HostWindow::Pump();
        return IsIconic(main.Main()) != FALSE;
      },
      3000));
  Plan({"sleep 500", "out json:{}\\n"});
  std::atomic<bool> stop{false};
  std::thread waker([&] { WakeUntilAttached(main.Main(), stop); });
  JsonDocument answer;
  const OperationResult result = RunTestPopup(answer);
  stop = true;
  waker.join();
  EXPECT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_FALSE(IsIconic(main.Main()));
  EXPECT_EQ(Procedure(main.Main()), HostWindow::OwnProcedure(true));
}

TEST_F(PopupWindows, HostKeepsAnsweringWhileTheDialogIsLateOrNeverShown) {
  HostWindow main(L"Tessgrain waiting host");
  const HANDLE hostThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
  for (const bool shown : {true, false}) {
    SCOPED_TRACE(shown ? "late dialog" : "no dialog");
    std::vector<std::string> plan = {"sleep 3000"};
    if (shown) plan.push_back("dialog 20000 Orbisk test dialog");
    plan.push_back("out json:{}\\n");
    Plan(plan);
    // The pop-up looks for the companion's dialog whenever the host is in front.
    SetForegroundWindow(main.Main());
    double busyShare = 1;
    int unanswered = -1;
    std::thread prober([&] {
      // No message arrives at first, so the pop-up has not attached and does not know the
      // companion's process yet: the host's thread must sleep, not search without pause.
      const double before = ThreadSeconds(hostThread);
      Sleep(700);
      busyShare = (ThreadSeconds(hostThread) - before) / 0.7;
      // Then the host's window must keep answering, well before the search's 2 s could end.
      unanswered = 0;
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
      while (std::chrono::steady_clock::now() < end) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(main.Main(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored)) {
          ++unanswered;
        }
        Sleep(20);
      }
      if (!shown) return;
      if (const HWND dialog = WaitForDialog(main.Main())) PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    JsonDocument answer;
    const OperationResult result = RunTestPopup(answer);
    prober.join();
    EXPECT_FALSE(result.failed) << result.Message().CStr();
    EXPECT_LT(busyShare, 0.1);
    EXPECT_EQ(unanswered, 0);
  }
  CloseHandle(hostThread);
}

TEST_F(PopupWindows, WindowSubclassedOverOursWorksOnAfterThePopupCloses) {
  HostWindow main(L"Tessgrain shared host");
  Plan({"dialog 20000 Orbisk test dialog", "out json:{}\\n"});
  std::thread prober([&] {
    std::atomic<bool> stop{false};
    WakeUntilAttached(main.Main(), stop);
    g_below = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main.Main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainingProc)));
    if (const HWND dialog = WaitForDialog(main.Main())) PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  JsonDocument answer;
  const OperationResult result = RunTestPopup(answer);
  prober.join();
  ASSERT_FALSE(result.failed) << result.Message().CStr();
  ASSERT_EQ(Procedure(main.Main()), reinterpret_cast<LONG_PTR>(&ChainingProc));

  // The pop-up's procedure is still below the other one, and its run is over: everything passes.
  main.ResetCounts();
  Send(main.Main(), WM_LBUTTONDOWN);
  Send(main.Main(), WM_ACTIVATEAPP, TRUE);
  EXPECT_EQ(main.Count(main.Main(), WM_LBUTTONDOWN), 1);
  EXPECT_EQ(main.Count(main.Main(), WM_ACTIVATEAPP, TRUE), 1);

  // Once the other party has left, the next message takes ours out as well.
  SetWindowLongPtrW(main.Main(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_below));
  Send(main.Main(), WM_NULL);
  EXPECT_EQ(Procedure(main.Main()), HostWindow::OwnProcedure(true));
  EXPECT_FALSE(CarriesAProperty(main.Main()));
}

TEST_F(PopupWindows, QuitPostedWhileThePopupIsOpenIsLeftForTheHost) {
  HostWindow main(L"Tessgrain quitting host");
  Plan({"dialog 20000 Orbisk test dialog", "out json:{}\\n"});
  g_quitsTaken = 0;
  const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &CountQuits, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  // The host's own code quits while the pop-up is open.
  SetTimer(nullptr, 0, 200, &QuitFromTimer);
  int takenWhileQuiet = -1;
  std::thread prober([&] {
    const HWND dialog = WaitForDialog(main.Main());
    WaitFor([] { return g_quitsTaken > 0; });
    // Nothing new arrives now: a quit message put back and taken again in a loop would show.
    const int before = g_quitsTaken;
    Sleep(500);
    takenWhileQuiet = g_quitsTaken - before;
    if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  JsonDocument answer;
  const OperationResult result = RunTestPopup(answer);
  prober.join();
  UnhookWindowsHookEx(hook);
  EXPECT_FALSE(result.failed) << result.Message().CStr();
  EXPECT_GE(g_quitsTaken, 1);
  EXPECT_LT(takenWhileQuiet, 5);

  int exitCode = -1;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      exitCode = static_cast<int>(message.wParam);
      break;
    }
    DispatchMessageW(&message);
  }
  EXPECT_EQ(exitCode, 42);
}

TEST_F(PopupWindows, SettingsButtonRunsTheDialogWithTheHostWindowAsOwner) {
  HostWindow main(L"Tessgrain button host");
  devhost::Host host(popup_test::EffectBesideCompanion(), devhost::HostApp::AfterEffects);
  Plan(
      {"record " + Utf8(File("request.txt")), "dialog 20000 Orbisk test dialog", "out json:{}\\n"});
  std::thread closer([&] {
    if (const HWND dialog = WaitForDialog(main.Main())) PostMessageW(dialog, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(host.PressButton(PARAM_SETTINGS), PF_Err_NONE);
  closer.join();
  EXPECT_NE(
      ReadBytes(File("request.txt"))
          .find("\"owner\":" + std::to_string(reinterpret_cast<std::uintptr_t>(main.Main())) + "}"),
      std::string::npos);
  EXPECT_EQ(Procedure(main.Main()), HostWindow::OwnProcedure(true));
}

// The console output code page is UTF-8 while the child runs, and what it was afterwards.
class ConsoleCodePage : public CompanionTest {
 protected:
  void SetUp() override {
    CompanionTest::SetUp();
    saved_ = GetConsoleOutputCP();
  }
  // False when the test ran in a process with a console of its own.
  bool WithConsole() {
    if (!popup_test::InConsoleElseRerun()) return false;
    EXPECT_TRUE(SetConsoleOutputCP(437));
    return true;
  }
  void TearDown() override {
    if (saved_ != 0) SetConsoleOutputCP(saved_);
    CompanionTest::TearDown();
  }
  UINT saved_ = 0;
};

UINT g_pageWhileRunning = 0;

void RecordCodePage(void* user, const char*, ...) {
  *static_cast<UINT*>(user) = GetConsoleOutputCP();
}

TEST_F(ConsoleCodePage, SwitchedForTheChildAndRestored) {
  if (!WithConsole()) return;
  Plan({"sleep 200"});
  for (const bool keep : {false, true}) {
    SpawnParams params;
    params.flags = keep ? kSpawnKeepCodePage : 0;
    params.onIdle = [](SpawnParams&) { g_pageWhileRunning = GetConsoleOutputCP(); };
    g_pageWhileRunning = 0;
    mlUtf8String output;
    EXPECT_EQ(SpawnCompanion(output, params), 0u);
    EXPECT_EQ(g_pageWhileRunning, keep ? 437u : 65001u);
    EXPECT_EQ(GetConsoleOutputCP(), 437u);
  }
}

TEST_F(ConsoleCodePage, RestoredWhenTheChildCannotStart) {
  if (!WithConsole()) return;
  SpawnParams params;
  params.errorUser = &g_pageWhileRunning;
  params.errorCallback = &RecordCodePage;
  mlUtf8String output;
  EXPECT_EQ(Spawn(L"", File("NoSuchCompanion.exe").wstring() + L" -popup", SpawnEnvironment(),
                  output, params),
            static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(g_pageWhileRunning, 437u);  // already back when the failure is reported
  EXPECT_EQ(GetConsoleOutputCP(), 437u);
}

}  // namespace
