// The Setting dialog of the Windows saver (resource 2003), opened by "/c:HANDLE": it shows
// the Speed and Delay in force (the stored values the saver would take, else the
// defaults), takes only whole numbers within their limits (spin controls with those
// limits; anything else typed gets a message and nothing is stored) and "Save" writes
// both to the user's key.
#pragma once

#include <windows.h>

namespace bw::host {

// Runs the dialog modally, owned by `parent`; `title` captions its messages. Returns the
// saver's exit code for this mode, 1.
int run_settings_dialog(HINSTANCE instance, HWND parent, const char* title);

}  // namespace bw::host
