// The optional plug-in library of a store: "Methods.so" in the store directory (on Windows
// "Methods.dll"), which serves virtual fields (field numbers above the store's field count).
// It lies outside this system; what is fixed is the C interface below.
//
// Safety: a library is loaded only when neither the store directory, nor any folder above
// it, nor the library file can be changed by other users, and the library is a regular
// file (not a link). On POSIX systems each belongs to root or this user and has no group
// or other write bit; a folder above the store's may have them when it is sticky (as /tmp
// is). The folders are opened from the root down, the library is opened once in the last
// of them and checked through that open file, and that very file is loaded, so nothing can
// be swapped between the check and the load. On Windows each belongs to this user, the
// administrators or the system; the access lists of the store folder and the library let
// nobody else write, those of the folders above let nobody else delete or rename what they
// hold; the folders and the library are held open, refusing deletion, renaming and
// writing, from the check until the load; the library is loaded by its full path, its own
// dependencies looked up only beside it and in the system folder, never in the current
// folder or PATH. Anything else leaves the plug-in unusable.
//
// Exchange block (record-image size + 1024 bytes, zeroed), the plug-in's view of a request:
//   Offset Width Meaning
//     0     4    record number of the request (signed)
//     4     4    record number the record image holds (-1 none)
//     8     4    request code: 1 slot text, 2 write record, 3 action, 4 virtual read
//    12     4    result word of the last request
//    16    64    field path: 16 levels of (16-bit field number, 16-bit element index)
//    80   256    text area: the virtual value, NUL-terminated
//  1024     -    record image
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/field_path.h"

// Marks the exports of a plug-in library: C names, undecorated, visible outside it.
#ifdef _WIN32
#define BW_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define BW_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

extern "C" {
// What Create receives: the store directory, the exchange block and the field count.
struct BwPluginStore {
  const char* directory;
  uint8_t* exchange;
  uint32_t exchange_size;
  uint32_t field_count;
};
// Exports of the library; each takes the value Create returned as its first argument.
typedef intptr_t (*BwPluginCreate)(BwPluginStore* store);            // "Create"; 0 = refuse
typedef int32_t (*BwPluginVirtual)(intptr_t handle, int32_t record, const int16_t* path);
typedef int32_t (*BwPluginAction)(intptr_t handle, int32_t argument);  // "Action"
typedef int32_t (*BwPluginWriteCadr)(intptr_t handle);                 // "Write_Cadr"
typedef int32_t (*BwPluginWriteSlot)(intptr_t handle, const char* text);  // "Write_Slot"
}

namespace bw::store {

class RecordStore;

// The store's plug-in library, in the platform's own library format.
#ifdef _WIN32
inline constexpr const char* kPluginFile = "Methods.dll";
#else
inline constexpr const char* kPluginFile = "Methods.so";
#endif
inline constexpr int kExchangeRequestArea = 1024;
inline constexpr int kExchangeTextOffset = 80;
inline constexpr int kExchangeTextSize = 256;
inline constexpr int kRequestVirtual = 4;

// Whether `file` in `dir` may be loaded (see "Safety" above). `why` says in one line what
// was wrong and names the folder or file.
bool plugin_is_trusted(const std::string& dir, const std::string& file, std::string* why);

#ifdef _WIN32
// Why an object with this security descriptor (owner and access list, as GetSecurityInfo
// gives them) could be changed by other users, e.g. "can be written by Everyone"; empty
// when it belongs to this user, the administrators or the system and its access list lets
// nobody else write. For a folder above the store's (`folder_above`) only the rights that
// let others remove or rename what it holds, or change who may, count.
std::string security_refusal(const void* security_descriptor, bool folder_above = false);
#endif

// The plug-in state of one store: not tried, usable or unusable (for good).
class StorePlugin {
 public:
  StorePlugin() = default;
  StorePlugin(const StorePlugin&) = delete;
  StorePlugin& operator=(const StorePlugin&) = delete;

  // A virtual read of `path` in `record`: the text the plug-in leaves, and its length + 1;
  // -1 when the plug-in is missing, untrusted or refused.
  int read_virtual(RecordStore& store, int record, const FieldPath& path, std::string& text);
  bool tried() const { return state_ != State::not_tried; }
  bool usable() const { return state_ == State::usable; }
  // Why a library that is there was not loaded; empty when it was, or when there is none.
  const std::string& refusal() const { return refusal_; }

 private:
  enum class State { not_tried, usable, unusable };
  bool load(RecordStore& store);
  State state_ = State::not_tried;
  intptr_t handle_ = 0;
  BwPluginVirtual virtual_read_ = nullptr;
  BwPluginAction action_ = nullptr;
  BwPluginWriteCadr write_cadr_ = nullptr;
  BwPluginWriteSlot write_slot_ = nullptr;
  std::vector<uint8_t> exchange_;
  BwPluginStore view_{};
  std::string directory_;
  std::string refusal_;
};

}  // namespace bw::store
