#include "store/store_links.h"

#include <algorithm>

#include "platform/path.h"

namespace bw::store {

RecordStore* StoreLinks::get(const std::string& path) {
  const auto it = std::find_if(list_.begin(), list_.end(),
                               [&](const Entry& e) { return e.path == path; });
  if (it != list_.end()) {
    list_.splice(list_.begin(), list_, it);
    return list_.front().store.get();
  }
  OpenFailure failure{};
  std::unique_ptr<RecordStore> store = RecordStore::open(path, failure);
  if (!store) return nullptr;
  if (list_.size() >= kMaxLinkedStores) list_.pop_back();
  list_.push_front(Entry{path, std::move(store), std::make_unique<StoreLinks>()});
  return list_.front().store.get();
}

StoreLinks* StoreLinks::links_of(const RecordStore* store) {
  for (Entry& e : list_)
    if (e.store.get() == store) return e.links.get();
  return nullptr;
}

std::vector<std::string> StoreLinks::paths() const {
  std::vector<std::string> out;
  for (const Entry& e : list_) out.push_back(e.path);
  return out;
}

void StoreLinks::invalidate() {
  for (Entry& e : list_) {
    for (size_t i = 0; i < e.store->slot_count(); ++i) e.store->slot(i).invalidate();
    e.links->invalidate();
  }
}

std::string containing_directory(std::string_view store_dir) {
  return platform::parent_path(store_dir);
}

std::string linked_store_path(std::string_view store_dir, std::string_view name) {
  name = name.substr(0, name.find('\n'));
  const std::string base = containing_directory(store_dir);
  if (name.empty()) return base;
  if (name.front() == '/' || name.find(':') != std::string_view::npos) return std::string(name);
  return platform::join_path(base, name);
}

}  // namespace bw::store
