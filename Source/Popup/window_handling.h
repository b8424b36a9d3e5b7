// The host's windows while the companion's pop-up is open: they keep painting but ignore input,
// activating the host brings the pop-up to the front, and everything is undone when the companion
// exits. Plain window management on the host's thread; on systems without host windows there is
// nothing to find and nothing to undo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Popup/process_spawn.h"

/// A window of the platform (an HWND on Windows); null is none.
using WindowHandle = void*;

/// The state of one pop-up run, reached from the subclassed windows through the run's id, which
/// their window property holds.
struct SpawnContext {
  SpawnContext() = default;
  SpawnContext(const SpawnContext&) = delete;
  SpawnContext& operator=(const SpawnContext&) = delete;
  /// Ends the run for windows that still carry its id.
  ~SpawnContext();

  std::string payload;  // the line written to the companion's standard input
  std::uint32_t companionProcessId = 0;
  std::uint32_t companionThreadId = 0;
  WindowHandle companionDialog = nullptr;
  WindowHandle hostMainWindow = nullptr;          // none until the first message pump
  SpawnHandle companionProcess = kNoSpawnHandle;  // opened with SYNCHRONIZE access only
  std::vector<WindowHandle> hostWindows;          // every top-level host window at attachment
  std::uintptr_t runId = 0;                       // 0 until attached
};

/// A search over the top-level windows.
struct WindowQuery {
  WindowHandle result = nullptr;      // the first window that passed every test
  std::vector<WindowHandle> matches;  // windows that passed the process, thread and class tests
  std::uint32_t processId = 0;        // 0: decided by threadId alone
  std::uint32_t threadId = 0;         // tested when processId is 0, or when both are set
  std::uint32_t requiredStyle = 0;
  std::uint32_t forbiddenStyle = 0;
  std::uint32_t requiredExStyle = 0;
  std::uint32_t forbiddenExStyle = 0;
  std::string className;  // exact; empty matches any
};

/// Visits every top-level window; true when query.result is an existing window.
bool FindWindows(WindowQuery& query);
/// The first visible top-level window of this process, or none.
WindowHandle FindHostMainWindow();
/// The companion's visible dialog with a caption, searched for at most 2000 ms. Between attempts
/// the thread sleeps; the search gives up early when the companion ends or when messages arrive
/// for the thread, so that its wait loop dispatches them.
WindowHandle FindCompanionDialog(SpawnContext& context);

/// onMessages of the pop-up: attaches to the host on first use, then dispatches every waiting
/// message of the calling thread. A quit message is put back for the host's own loop and ends
/// the dispatching.
void PumpPopupMessages(SpawnParams& params);
/// onIdle of the pop-up: when the host is in front, the companion's dialog goes there instead.
void KeepCompanionInFront(SpawnParams& params);
/// Gives every subclassed window its former procedure back (a window subclassed again by someone
/// else keeps ours in its chain, which from then on passes every message on); returns the host
/// main window.
WindowHandle DetachFromHost(SpawnParams& params);
/// Restores a minimised window and brings it to the foreground.
void RestoreHostWindow(WindowHandle window);
/// Closes the companion process handle the attachment opened, if any.
void CloseCompanionProcess(SpawnContext& context);
