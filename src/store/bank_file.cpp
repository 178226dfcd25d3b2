#include "store/bank_file.h"

#include <algorithm>

#include "platform/posix_io.h"

namespace bw::store {
namespace {
constexpr int64_t kWindowAlign = 1024;
}  // namespace

std::string bank_file_name(int bank_id) {
  if (bank_id == kBankMain) return "Main";
  if (bank_id == kBankStorage) return "_Storage";
  return "Bank." + std::to_string(bank_id);
}

// The window buffer is allocated on the first read, so that a store with many banks costs
// memory only for those it reads.
BankFile::BankFile(std::string path, int bank_id, size_t window_capacity, StoreAccess access)
    : path_(std::move(path)), bank_id_(bank_id), access_(access),
      window_capacity_(std::max<size_t>(window_capacity, 1)) {}

BankFile::~BankFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool BankFile::open_now() {
  if (state_ == State::kOpen) return true;
  if (state_ == State::kFailed) return false;
  state_ = State::kFailed;
  if (::access(path_.c_str(), R_OK) != 0) return false;
  if (access_ == StoreAccess::read_write && ::access(path_.c_str(), W_OK) == 0) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    access_mode_ = 0;
  }
  if (fd_ < 0) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    access_mode_ = 2;
  }
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  state_ = State::kOpen;
  return true;
}

int64_t BankFile::size() {
  if (!open_now()) return -1;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
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

  size_t got = 0;
  while (got < window_.size()) {
    const ssize_t n = ::pread(fd_, window_.data() + got, window_.size() - got,
                              static_cast<off_t>(start + static_cast<int64_t>(got)));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
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
