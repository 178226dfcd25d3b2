#include "store/plugin.h"

#include <cstring>

#include "platform/posix_io.h"
#include "store/record_store.h"

namespace bw::store {
namespace {

bool safe_owner_and_mode(const struct stat& st) {
  const bool owner_ok = st.st_uid == 0 || st.st_uid == ::geteuid();
  return owner_ok && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

bool plugin_is_trusted(const std::string& dir, const std::string& file, std::string* why) {
  struct stat d {};
  struct stat f {};
  if (::stat(dir.c_str(), &d) != 0 || !S_ISDIR(d.st_mode)) {
    if (why != nullptr) *why = "no store directory";
    return false;
  }
  if (!safe_owner_and_mode(d)) {
    if (why != nullptr) *why = "the store directory can be written by other users";
    return false;
  }
  if (::lstat(file.c_str(), &f) != 0 || !S_ISREG(f.st_mode)) {
    if (why != nullptr) *why = "no plug-in library (or not a regular file)";
    return false;
  }
  if (!safe_owner_and_mode(f)) {
    if (why != nullptr) *why = "the plug-in library can be written by other users";
    return false;
  }
  return true;
}

bool StorePlugin::load(RecordStore& store) {
  state_ = State::kUnusable;
  const std::string dir = store.path().empty() ? "." : store.path();
  const std::string file = dir + "/" + kPluginFile;
  if (::access(file.c_str(), R_OK) != 0 || !plugin_is_trusted(dir, file, nullptr)) return false;
  // A path with a "/" is never looked up in the library search path.
  const std::string load_path = file.find('/') == std::string::npos ? "./" + file : file;
  void* handle = ::dlopen(load_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
  auto create = reinterpret_cast<BwPluginCreate>(::dlsym(handle, "Create"));
  if (create == nullptr) {
    ::dlclose(handle);
    return false;
  }
  const int64_t image = store.record_image_size() < 0 ? 0 : store.record_image_size();
  exchange_.assign(static_cast<size_t>(image) + kExchangeRequestArea, 0);
  store_u32(exchange_.data() + 4, static_cast<uint32_t>(-1));
  directory_ = dir;
  view_ = BwPluginStore{directory_.c_str(), exchange_.data(),
                        static_cast<uint32_t>(exchange_.size()), store.field_count()};
  handle_ = create(&view_);
  if (handle_ == 0) return false;  // the library stays loaded: it may hold the others' state
  // Each store keeps the exports of its own library: a handle from one library is never
  // passed to the functions of another.
  virtual_read_ = reinterpret_cast<BwPluginVirtual>(::dlsym(handle, "Virtual"));
  action_ = reinterpret_cast<BwPluginAction>(::dlsym(handle, "Action"));
  write_cadr_ = reinterpret_cast<BwPluginWriteCadr>(::dlsym(handle, "Write_Cadr"));
  write_slot_ = reinterpret_cast<BwPluginWriteSlot>(::dlsym(handle, "Write_Slot"));
  state_ = State::kUsable;
  return true;
}

int StorePlugin::read_virtual(RecordStore& store, int record, const FieldPath& path,
                              std::string& text) {
  text.clear();
  if (state_ == State::kNotTried) load(store);
  if (state_ != State::kUsable || virtual_read_ == nullptr) return -1;
  for (size_t i = 0; i < store.slot_count(); ++i) store.slot(i).invalidate();
  uint8_t* block = exchange_.data();
  store_u32(block, static_cast<uint32_t>(record));
  store_u32(block + 8, kRequestVirtual);
  int16_t levels[2 * kMaxPathLevels] = {};
  for (int i = 0; i < path.count && i < kMaxPathLevels; ++i) {
    levels[2 * i] = static_cast<int16_t>(path[i].field);
    levels[2 * i + 1] = static_cast<int16_t>(path[i].element);
  }
  std::memcpy(block + 16, levels, sizeof levels);
  uint8_t* area = block + kExchangeTextOffset;
  std::memset(area, 0, kExchangeTextSize);
  const int32_t result = virtual_read_(handle_, record, levels);
  store_u32(block + 12, static_cast<uint32_t>(result));
  area[kExchangeTextSize - 1] = 0;  // the value ends inside its area, whatever was written
  text.assign(reinterpret_cast<const char*>(area));
  return static_cast<int>(text.size()) + 1;
}

}  // namespace bw::store
