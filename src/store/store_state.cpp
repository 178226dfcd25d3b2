#include "store/store_state.h"

namespace bw::store {

StoreState& state_of(RecordStore& store) {
  auto& slot = store.extension();
  if (auto* state = dynamic_cast<StoreState*>(slot.get())) return *state;
  slot = std::make_unique<StoreState>(store);
  return static_cast<StoreState&>(*slot);
}

}  // namespace bw::store
