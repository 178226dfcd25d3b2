// The Setting dialog of the Windows saver (resource 2003), opened by "/c:HANDLE": the
// picture (one of those installed, or Random) and its Speed and Delay in force (the stored
// values the saver would take, else the defaults); choosing another picture shows its
// own. It takes only whole numbers within their limits (spin controls with those limits;
// anything else typed gets a message and nothing is stored), and "Save" writes the numbers
// to the chosen picture's key and the choice to the vendor's, both the user's.
#pragma once

#include <windows.h>

namespace bw::host {

// Runs the dialog modally, owned by `parent`; `title` captions its messages. Returns the
// saver's exit code for this mode, 1.
int run_settings_dialog(HINSTANCE instance, HWND parent, const char* title);

}  // namespace bw::host
