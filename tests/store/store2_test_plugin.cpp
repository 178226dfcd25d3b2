// A plug-in library for the tests: virtual fields read as "virtual <record> <field>", and
// Create refuses stores whose directory name ends in "refuse". Built with BW_INTRUDER, it
// stands for another user's library and says "intruder" instead of "virtual".
#include <cstdio>
#include <cstring>

#include "store/plugin.h"

namespace {
BwPluginStore* the_store = nullptr;
}

BW_PLUGIN_EXPORT intptr_t Create(BwPluginStore* store) {
  const size_t n = std::strlen(store->directory);
  if (n >= 6 && std::strcmp(store->directory + n - 6, "refuse") == 0) return 0;
  the_store = store;
  return 42;
}

BW_PLUGIN_EXPORT int32_t Virtual(intptr_t handle, int32_t record, const int16_t* path) {
  if (handle != 42 || the_store == nullptr) return -1;
  char* area = reinterpret_cast<char*>(the_store->exchange + 80);
  int32_t code = 0;
  std::memcpy(&code, the_store->exchange + 8, 4);
  if (path[0] == 99) {  // fills the whole area with no terminator
    std::memset(area, 'x', 256);
    return 1;
  }
#ifdef BW_INTRUDER  // another user's library: says so in every value
  std::snprintf(area, 256, "intruder %d %d code %d", record, path[0], code);
#else
  std::snprintf(area, 256, "virtual %d %d code %d", record, path[0], code);
#endif
  return 1;
}
