#include "store/plugin.h"

#include <cstring>

#include "store/plugin_library.h"
#include "store/record_store.h"

namespace bw::store {

bool StorePlugin::load(RecordStore& store) {
  state_ = State::unusable;
  const std::string dir = store.path().empty() ? "." : store.path();
  const std::string file = dir + "/" + kPluginFile;
  if (!plugin_library::readable(file)) return false;  // a store without a library
  void* library = plugin_library::open_trusted(dir, file, &refusal_);
  if (library == nullptr) return false;
  auto create = reinterpret_cast<BwPluginCreate>(plugin_library::symbol(library, "Create"));
  if (create == nullptr) {
    refusal_ = "the plug-in library \"" + file + "\" has no export Create";
    plugin_library::close(library);
    return false;
  }
  const int64_t image = store.record_image_size() < 0 ? 0 : store.record_image_size();
  exchange_.assign(static_cast<size_t>(image) + kExchangeRequestArea, 0);
  store_u32(exchange_.data() + 4, static_cast<uint32_t>(-1));
  directory_ = dir;
  view_ = BwPluginStore{directory_.c_str(), exchange_.data(),
                        static_cast<uint32_t>(exchange_.size()), store.field_count()};
  handle_ = create(&view_);
  if (handle_ == 0) {  // the library stays loaded: it may hold the others' state
    refusal_ = "the plug-in library \"" + file + "\" refused the store";
    return false;
  }
  // Each store keeps the exports of its own library: a handle from one library is never
  // passed to the functions of another.
  auto symbol = [library](const char* name) { return plugin_library::symbol(library, name); };
  virtual_read_ = reinterpret_cast<BwPluginVirtual>(symbol("Virtual"));
  action_ = reinterpret_cast<BwPluginAction>(symbol("Action"));
  write_cadr_ = reinterpret_cast<BwPluginWriteCadr>(symbol("Write_Cadr"));
  write_slot_ = reinterpret_cast<BwPluginWriteSlot>(symbol("Write_Slot"));
  state_ = State::usable;
  return true;
}

int StorePlugin::read_virtual(RecordStore& store, int record, const FieldPath& path,
                              std::string& text) {
  text.clear();
  if (state_ == State::not_tried) load(store);
  if (state_ != State::usable || virtual_read_ == nullptr) return -1;
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
