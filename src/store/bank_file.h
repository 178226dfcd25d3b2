// One bank file of a store ("Main", Bank.0, Bank.n or "_Storage") read through a
// 1024-aligned window, so that neighbouring records and index nodes come from memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "store/store_format.h"

namespace bw::store {

// The bank id of a file slot names its file: -1 "Main", 0 Bank.0, -2 "_Storage", and n
// for Bank.n, the own bank of field n.
constexpr int bank_id_of(StoreFile file) {
  switch (file) {
    case StoreFile::main: return -1;
    case StoreFile::heap: return 0;
    case StoreFile::storage: return -2;
  }
  return 0;
}

// How a store's files are opened. A reader never needs more than read_only; only a caller
// that means to write (and the one index-header repair it allows) asks for read_write.
enum class StoreAccess { read_only, read_write };

// File name of a bank: "Main", "_Storage" or "Bank.<id>".
std::string bank_file_name(int bank_id);

class BankFile {
 public:
  // A slot for `path`; the file is opened on the first read (or by open_now).
  BankFile(std::string path, int bank_id, size_t window_capacity,
           StoreAccess access = StoreAccess::read_only);
  ~BankFile();
  BankFile(const BankFile&) = delete;
  BankFile& operator=(const BankFile&) = delete;

  // Opens the file read-only, or with read_write access read-write where the file allows
  // it, else read-only; false when it cannot be read at all.
  // A second call only reports the first call's outcome.
  bool open_now();

  // `length` bytes at `offset`, valid until the next read on this slot; nullptr when
  // the bytes do not all lie inside the file or the file cannot be read.
  const uint8_t* read(int64_t offset, int64_t length);

  // Forgets the loaded window, so that the next read goes to the file again.
  void invalidate() { window_valid_ = 0; window_start_ = -1; }

  // Current size of the file in bytes, or -1 when it cannot be opened.
  int64_t size();

  int bank_id() const { return bank_id_; }
  // 0 opened read-write, 2 read-only; meaningful once the file is open.
  int access_mode() const { return access_mode_; }
  bool failed() const { return state_ == State::failed; }
  // File offset of the loaded window, -1 when none is loaded.
  int64_t window_start() const { return window_start_; }

 private:
  enum class State { unopened, open, failed };
  std::string path_;
  int bank_id_;
  StoreAccess access_;
  State state_ = State::unopened;
  platform::File file_;
  int access_mode_ = 2;
  int64_t window_start_ = -1;
  size_t window_valid_ = 0;  // bytes of the window that came from the file
  size_t window_capacity_;   // first size of the window buffer
  std::vector<uint8_t> window_;
};

}  // namespace bw::store
