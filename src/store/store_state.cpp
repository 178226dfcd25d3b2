#include "store/store_state.h"

namespace bw::store {

void StoreStateDeleter::operator()(StoreState* state) const { delete state; }

StoreState& RecordStore::state() {
  if (!state_) state_.reset(new StoreState(*this));
  return *state_;
}

}  // namespace bw::store
