// Subclassing the host's windows for the time the companion's pop-up is open.
#include <windows.h>

#include <map>
#include <mutex>

#include "Popup/window_handling.h"

namespace {

constexpr char kContextProperty[] = "@SpawnContext";
constexpr wchar_t kContextPropertyW[] = L"@SpawnContext";
constexpr char kOriginalProcProperty[] = "@OriginalWndProc";
constexpr wchar_t kOriginalProcPropertyW[] = L"@OriginalWndProc";
constexpr DWORD kDialogSearchMs = 2000;
constexpr DWORD kDialogPollMs = 50;

HWND AsWindow(WindowHandle w) { return static_cast<HWND>(w); }

// Runs in progress by id. A window carries its run's id, never the context's address: when
// someone else subclasses the window over ours, our procedure stays in the chain after the run,
// and must then find no run rather than a freed context.
std::mutex gRunsMutex;
std::map<std::uintptr_t, SpawnContext*> gRuns;
std::uintptr_t gLastRunId = 0;

std::uintptr_t StartRun(SpawnContext& context) {
  const std::lock_guard<std::mutex> lock(gRunsMutex);
  gRuns[++gLastRunId] = &context;
  return gLastRunId;
}

void EndRun(std::uintptr_t id) {
  const std::lock_guard<std::mutex> lock(gRunsMutex);
  gRuns.erase(id);
}

SpawnContext* RunContext(HANDLE id) {
  const std::lock_guard<std::mutex> lock(gRunsMutex);
  const auto run = gRuns.find(reinterpret_cast<std::uintptr_t>(id));
  return run == gRuns.end() ? nullptr : run->second;
}

// ANSI and UTF-16 windows are each handled in their own form, so that no call turns an ANSI
// window into a UTF-16 one.
HANDLE GetProperty(HWND window, const char* name, const wchar_t* wideName) {
  return IsWindowUnicode(window) ? GetPropW(window, wideName) : GetPropA(window, name);
}
void SetProperty(HWND window, const char* name, const wchar_t* wideName, HANDLE value) {
  if (IsWindowUnicode(window)) {
    SetPropW(window, wideName, value);
  } else {
    SetPropA(window, name, value);
  }
}
void RemoveProperty(HWND window, const char* name, const wchar_t* wideName) {
  if (IsWindowUnicode(window)) {
    RemovePropW(window, wideName);
  } else {
    RemovePropA(window, name);
  }
}
LONG_PTR GetProcedure(HWND window) {
  return IsWindowUnicode(window) ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                 : GetWindowLongPtrA(window, GWLP_WNDPROC);
}
void SetProcedure(HWND window, LONG_PTR procedure) {
  if (IsWindowUnicode(window)) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, procedure);
  } else {
    SetWindowLongPtrA(window, GWLP_WNDPROC, procedure);
  }
}

LRESULT CallSaved(HWND window, HANDLE saved, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = reinterpret_cast<WNDPROC>(saved);
  return IsWindowUnicode(window) ? CallWindowProcW(procedure, window, message, wParam, lParam)
                                 : CallWindowProcA(procedure, window, message, wParam, lParam);
}

void Unsubclass(HWND window, HANDLE saved) {
  SetProcedure(window, reinterpret_cast<LONG_PTR>(saved));
  RemoveProperty(window, kContextProperty, kContextPropertyW);
  RemoveProperty(window, kOriginalProcProperty, kOriginalProcPropertyW);
}

// Host windows paint, size and activate as usual while the pop-up is open; everything else, input
// above all, is dropped.
LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const HANDLE run = GetProperty(window, kContextProperty, kContextPropertyW);
  const HANDLE saved = GetProperty(window, kOriginalProcProperty, kOriginalProcPropertyW);
  if (run == nullptr || saved == nullptr) return 0;
  SpawnContext* const context = RunContext(run);
  if (context == nullptr) {
    // The run is over but our procedure stayed below someone else's: it passes everything on,
    // and steps out as soon as it is on top again.
    if (GetProcedure(window) == reinterpret_cast<LONG_PTR>(&PopupWindowProc)) {
      Unsubclass(window, saved);
    }
    return CallSaved(window, saved, message, wParam, lParam);
  }
  switch (message) {
    case WM_ACTIVATE:
    case WM_PAINT:
    case WM_QUERYOPEN:
    case WM_ERASEBKGND:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_GETDLGCODE:
    case WM_SYNCPAINT:
      return CallSaved(window, saved, message, wParam, lParam);
    case WM_ACTIVATEAPP:
      if (wParam != 0) {
        // The host became active: the pop-up belongs in front of it.
        if (const WindowHandle dialog = FindCompanionDialog(*context)) {
          SetForegroundWindow(AsWindow(dialog));
          return 0;
        }
      }
      return CallSaved(window, saved, message, wParam, lParam);
    default:
      return 0;
  }
}

const LONG_PTR kPopupProcedure = reinterpret_cast<LONG_PTR>(&PopupWindowProc);

void SubclassTree(HWND window, std::uintptr_t run) {
  const bool marked = GetProperty(window, kContextProperty, kContextPropertyW) != nullptr ||
                      GetProperty(window, kOriginalProcProperty, kOriginalProcPropertyW) != nullptr;
  const LONG_PTR current = GetProcedure(window);
  if (!marked && current != kPopupProcedure) {
    SetProperty(window, kContextProperty, kContextPropertyW, reinterpret_cast<HANDLE>(run));
    SetProperty(window, kOriginalProcProperty, kOriginalProcPropertyW,
                reinterpret_cast<HANDLE>(current));
    SetProcedure(window, kPopupProcedure);
  }
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    SubclassTree(child, run);
  }
}

void RestoreTree(HWND window) {
  if (GetProperty(window, kContextProperty, kContextPropertyW) != nullptr) {
    const LONG_PTR current = GetProcedure(window);
    // A procedure installed over ours by someone else stays, and so do our properties.
    if (current == kPopupProcedure || current == 0) {
      Unsubclass(window, GetProperty(window, kOriginalProcProperty, kOriginalProcPropertyW));
    }
  }
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    RestoreTree(child);
  }
}

BOOL CALLBACK TestWindow(HWND window, LPARAM parameter) {
  WindowQuery& query = *reinterpret_cast<WindowQuery*>(parameter);
  DWORD processId = 0;
  const DWORD threadId = GetWindowThreadProcessId(window, &processId);
  if (query.processId != 0 && query.threadId != 0 && threadId != query.threadId) return TRUE;
  if (query.processId != 0 ? processId != query.processId : threadId != query.threadId) {
    return TRUE;
  }
  if (!query.className.empty()) {
    char name[512] = {};
    if (GetClassNameA(window, name, sizeof(name)) == 0 || query.className != name) return TRUE;
  }
  query.matches.push_back(window);
  if (query.result != nullptr) return TRUE;
  if (query.requiredStyle != 0 || query.forbiddenStyle != 0) {
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE));
    if ((style & query.requiredStyle) != query.requiredStyle ||
        (style & query.forbiddenStyle) != 0) {
      return TRUE;
    }
  }
  if (query.requiredExStyle != 0 || query.forbiddenExStyle != 0) {
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE));
    if ((style & query.requiredExStyle) != query.requiredExStyle ||
        (style & query.forbiddenExStyle) != 0) {
      return TRUE;
    }
  }
  query.result = window;
  return TRUE;
}

WindowQuery HostMainWindowQuery() {
  WindowQuery query;
  query.processId = GetCurrentProcessId();
  query.requiredStyle = WS_VISIBLE;
  return query;
}

void AttachToHost(SpawnParams& params) {
  SpawnContext& context = *params.context;
  WindowQuery query = HostMainWindowQuery();
  if (!FindWindows(query)) return;
  context.companionProcessId = params.processId;
  context.companionThreadId = params.threadId;
  if (const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, params.processId)) {
    context.companionProcess = reinterpret_cast<SpawnHandle>(process);
  }
  context.hostMainWindow = query.result;
  context.hostWindows = query.matches;
  context.runId = StartRun(context);
  for (const WindowHandle window : context.hostWindows) {
    SubclassTree(AsWindow(window), context.runId);
  }
}

}  // namespace

SpawnContext::~SpawnContext() {
  if (runId != 0) EndRun(runId);
}

bool FindWindows(WindowQuery& query) {
  EnumWindows(&TestWindow, reinterpret_cast<LPARAM>(&query));
  return query.result != nullptr && IsWindow(AsWindow(query.result));
}

WindowHandle FindHostMainWindow() {
  WindowQuery query = HostMainWindowQuery();
  return FindWindows(query) ? query.result : nullptr;
}

WindowHandle FindCompanionDialog(SpawnContext& context) {
  if (context.companionDialog != nullptr && !IsWindow(AsWindow(context.companionDialog))) {
    context.companionDialog = nullptr;
  }
  if (context.companionDialog != nullptr) return context.companionDialog;
  const ULONGLONG start = GetTickCount64();
  // Before the first pump the companion's process is not known; the thread still sleeps between
  // attempts, waking for messages alone.
  const HANDLE process = reinterpret_cast<HANDLE>(context.companionProcess);
  const DWORD handles = context.companionProcess != kNoSpawnHandle ? 1 : 0;
  for (;;) {
    WindowQuery query;
    query.processId = context.companionProcessId;
    query.threadId = context.companionThreadId;
    query.requiredStyle = WS_VISIBLE | WS_CAPTION;
    query.className = "#32770";
    if (FindWindows(query)) return context.companionDialog = query.result;
    // This runs on the host's thread: messages for it end the search, so that the wait loop
    // dispatches them at once instead of after the whole search.
    const DWORD wait =
        MsgWaitForMultipleObjects(handles, &process, FALSE, kDialogPollMs, QS_ALLINPUT);
    if (wait != WAIT_TIMEOUT) return nullptr;  // the companion ended, or messages wait
    if (GetTickCount64() - start >= kDialogSearchMs) return nullptr;
  }
}

void PumpPopupMessages(SpawnParams& params) {
  if (params.context != nullptr && params.context->hostMainWindow == nullptr) AttachToHost(params);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The host is shutting down: its own loop must see the quit once the pop-up has closed.
      // Put back, it comes out again only when nothing else waits; the look after it marks it
      // as seen, so that the wait sleeps until something new arrives instead of waking for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void KeepCompanionInFront(SpawnParams& params) {
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr || params.context == nullptr) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(foreground, &processId);
  if (processId != GetCurrentProcessId()) return;
  if (const WindowHandle dialog = FindCompanionDialog(*params.context)) {
    SetForegroundWindow(AsWindow(dialog));
  }
}

WindowHandle DetachFromHost(SpawnParams& params) {
  if (params.context == nullptr || params.context->hostMainWindow == nullptr) return nullptr;
  for (const WindowHandle window : params.context->hostWindows) {
    if (IsWindow(AsWindow(window))) RestoreTree(AsWindow(window));
  }
  EndRun(params.context->runId);
  params.context->runId = 0;
  return params.context->hostMainWindow;
}

void RestoreHostWindow(WindowHandle window) {
  if (window == nullptr) return;
  const HWND host = AsWindow(window);
  if (GetWindowLongW(host, GWL_STYLE) & WS_MINIMIZE) ShowWindow(host, SW_RESTORE);
  SetForegroundWindow(host);
}

void CloseCompanionProcess(SpawnContext& context) {
  if (context.companionProcess != kNoSpawnHandle) {
    CloseHandle(reinterpret_cast<HANDLE>(context.companionProcess));
  }
  context.companionProcess = kNoSpawnHandle;
}
