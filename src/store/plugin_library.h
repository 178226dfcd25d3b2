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
// Loads `file` by its own path, never looking it up elsewhere; nullptr when it fails.
void* open(const std::string& file);
// The export `name` of a loaded library, or nullptr.
Function symbol(void* library, const char* name);
void close(void* library);

}  // namespace bw::store::plugin_library
