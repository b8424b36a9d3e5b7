// tessgrain-render's standard error: message lines and, on a terminal, one progress line kept
// below them and rewritten in place; any thread may write. With the texts of what the effect and
// the host have to say.
#pragma once
#include <mutex>
#include <string>

#include "devhost/host/host.h"

namespace devhost {

class Console {
 public:
  static Console& Get();

  // Whether progress lines are shown (off unless switched on: standard error a terminal).
  void ShowProgress(bool on);
  bool ProgressShown() const { return progress_on_; }
  // One message, "tessgrain-render: " and the text, on a line of its own.
  void Message(const std::string& text);
  // Replaces the progress line; ignored while progress is off.
  void Progress(const std::string& text);
  void EndProgress();

 private:
  void Clear();  // the progress line, if one is shown; under mutex_

  std::mutex mutex_;
  bool progress_on_ = false;
  bool progress_shown_ = false;
};

// The host's name for an effect error code, and the code.
std::string ErrorText(PF_Err err);
// Shows the notices and messages the effect gave the host (each text once per run) and clears
// them: they are for the user even when the render succeeds (an interlaced frame renders red and
// says why).
void ReportHostMessages(Host& host);

}  // namespace devhost
