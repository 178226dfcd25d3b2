// The platform's dynamic-library calls behind StorePlugin: dlopen on POSIX systems
// (plugin_posix.cpp), LoadLibraryExA on Windows (plugin_windows.cpp). Each file also
// holds that platform's plugin_is_trusted.
#pragma once

#include <string>

namespace bw::store::plugin_library {

// Any exported function; callers cast it to the export's own type.
using Function = void (*)();

// Whether `file` exists and may be read.
bool readable(const std::string& file);
// Checks the folders of the store `dir` from the root down and the library `file` in it
// (see "Safety" in plugin.h), and loads the very file that was checked, never one looked
// up elsewhere; nullptr and a one-line reason in `why` when it is refused or fails to load.
void* open_trusted(const std::string& dir, const std::string& file, std::string* why);
// The export `name` of a loaded library, or nullptr.
Function symbol(void* library, const char* name);
void close(void* library);

}  // namespace bw::store::plugin_library
