#include "store/bank_file.h"

#include <algorithm>

#include "platform/file.h"

namespace bw::store {
namespace {
constexpr int64_t kWindowAlign = 1024;
}  // namespace

std::string bank_file_name(int bank_id) {
  if (bank_id == bank_id_of(StoreFile::main)) return "Main";
  if (bank_id == bank_id_of(StoreFile::storage)) return "_Storage";
  return "Bank." + std::to_string(bank_id);
}

// The window buffer is allocated on the first read, so that a store with many banks costs
// memory only for those it reads.
BankFile::BankFile(std::string path, int bank_id, size_t window_capacity, StoreAccess access)
    : path_(std::move(path)), bank_id_(bank_id), access_(access),
      window_capacity_(std::max<size_t>(window_capacity, 1)) {}

BankFile::~BankFile() = default;

bool BankFile::open_now() {
  if (state_ == State::open) return true;
  if (state_ == State::failed) return false;
  state_ = State::failed;
  if (!platform::file_readable(path_)) return false;
  if (access_ == StoreAccess::read_write && platform::file_writable(path_)) {
    file_ = platform::File::open(path_, platform::FileAccess::read_write);
    access_mode_ = 0;
  }
  if (!file_.is_open()) {
    file_ = platform::File::open(path_, platform::FileAccess::read_only);
    access_mode_ = 2;
  }
  if (!file_.is_open()) return false;
  state_ = State::open;
  return true;
}

int64_t BankFile::size() {
  if (!open_now()) return -1;
  return file_.size();
}

const uint8_t* BankFile::read(int64_t offset, int64_t length) {
  if (offset < 0 || length < 0) return nullptr;
  if (!open_now()) return nullptr;
  if (window_start_ >= 0 && offset >= window_start_ &&
      offset - window_start_ <= static_cast<int64_t>(window_valid_) &&
      length <= static_cast<int64_t>(window_valid_) - (offset - window_start_))
    return window_.data() + (offset - window_start_);

  // The bytes asked for must lie inside the file as it is now: a window whose tail lies
  // past the end of the file would otherwise hand back stale or zero bytes.
  const int64_t file_size = size();
  if (file_size < 0 || offset > file_size || length > file_size - offset) return nullptr;

  const int64_t start = offset - offset % kWindowAlign;
  const int64_t span = offset + length - start;
  if (window_.empty()) window_.assign(window_capacity_, 0);
  if (static_cast<int64_t>(window_.size()) < span)
    window_.assign(static_cast<size_t>((span / kWindowAlign + 1) * kWindowAlign), 0);

  const size_t got = file_.read_fully_at(start, window_.data(), window_.size());
  if (got == 0 || static_cast<int64_t>(got) < span) {
    std::fill(window_.begin(), window_.end(), 0);
    invalidate();
    return nullptr;
  }
  window_start_ = start;
  window_valid_ = got;
  return window_.data() + (offset - start);
}

}  // namespace bw::store
