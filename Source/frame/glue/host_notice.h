// Shows the user a notice the way the running host does it.
#pragma once
#include <string>

#include "HostSDK.h"

// title and text are UTF-16. Premiere Pro gets a warning event through its error suite (nothing
// happens when the suite is missing); After Effects gets "title\n\ntext" in return_msg, shown
// when the caller sets PF_OutFlag_DISPLAY_ERROR_MESSAGE; other hosts get nothing.
void ShowHostNotice(const PF_InData* in_data, PF_OutData* out_data, const std::wstring& title,
                    const std::wstring& text);
