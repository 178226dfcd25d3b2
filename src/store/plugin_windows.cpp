// The plug-in library on Windows: the owners and the access lists (DACL) of the folders
// from the drive down, of the store folder and of the library decide trust; LoadLibraryExA
// loads the library by its full path. Every folder on the way and the library are held
// open from their check until the load, refusing deletion and renaming (and writing, for
// the library), so that what was checked is what loads.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "store/plugin.h"
#include "store/plugin_library.h"

namespace bw::store {
namespace {

// Rights that let their holder change a file or folder, what it holds, or who may do so.
// (FILE_ADD_FILE and FILE_ADD_SUBDIRECTORY, the folder forms, share the first two bits.)
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                     DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL;
// Rights on a folder above the store's that would let their holder swap what it holds:
// adding entries does not, removing or renaming them does.
constexpr ACCESS_MASK kSwapRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER |
                                    GENERIC_ALL;

// What an account may be to a plug-in library or its folder.
enum class Standing {
  owner,   // may own it and write it
  writer,  // may write it: stands for the owner
  other,   // may do neither
};

struct KnownAccount {
  const char* sid;
  const char* name;
  Standing standing;
};

constexpr KnownAccount kKnownAccounts[] = {
    {"S-1-5-18", "SYSTEM", Standing::owner},
    {"S-1-5-32-544", "Administrators", Standing::owner},
    {"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", "TrustedInstaller",
     Standing::owner},
    {"S-1-3-0", "CREATOR OWNER", Standing::writer},
    {"S-1-3-4", "OWNER RIGHTS", Standing::writer},
    {"S-1-1-0", "Everyone", Standing::other},
    {"S-1-5-11", "Authenticated Users", Standing::other},
    {"S-1-5-32-545", "Users", Standing::other},
    {"S-1-5-4", "Interactive", Standing::other},
    {"S-1-5-32-546", "Guests", Standing::other},
    {"S-1-5-7", "Anonymous Logon", Standing::other},  // Wine: the owner of others' files
};

std::string sid_text(PSID sid) {
  char* text = nullptr;
  if (!::ConvertSidToStringSidA(sid, &text)) return "an unreadable account";
  std::string result = text;
  ::LocalFree(text);
  return result;
}

// The account this process runs as, e.g. "S-1-5-21-...-1001"; empty when unknown.
const std::string& this_user() {
  static const std::string user = [] {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    std::string text;
    if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
      text = sid_text(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    ::CloseHandle(token);
    return text;
  }();
  return user;
}

Standing standing_of(const std::string& sid) {
  if (!this_user().empty() && sid == this_user()) return Standing::owner;
  for (const auto& known : kKnownAccounts)
    if (sid == known.sid) return known.standing;
  return Standing::other;
}

std::string account_name(const std::string& sid) {
  for (const auto& known : kKnownAccounts)
    if (sid == known.sid) return known.name;
  return sid;
}

// Why the access list grants one of `rights` to an account other than the trusted ones;
// empty if none.
std::string acl_refusal(const ACL* acl, ACCESS_MASK rights) {
  if (acl == nullptr) return "has no access list, so everyone may write it";
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(const_cast<ACL*>(acl), i, &entry)) return "has an unreadable access list";
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // for what it will hold only
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {  // the same layout: mask, then the account
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & rights) == 0) break;
        const std::string sid = sid_text(const_cast<DWORD*>(&allowed->SidStart));
        if (standing_of(sid) == Standing::other)
          return (rights == kSwapRights ? "lets " + account_name(sid) + " remove what it holds"
                                        : "can be written by " + account_name(sid));
        break;
      }
      case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        return "has an access list entry of a kind not checked here";
      default:  // denials, audits and labels grant nothing
        break;
    }
  }
  return {};
}

// A handle on `path` that refuses deletion and renaming to others while it is held (and
// writing, unless `folder`), without following a link at the end of the path.
HANDLE hold(const std::string& path, bool folder) {
  const DWORD share = folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  return ::CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, share, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

// Why the object open as `handle` could be changed by others (see security_refusal).
std::string held_refusal(HANDLE handle, bool folder_above) {
  PSID owner = nullptr;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = ::GetSecurityInfo(
      handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
      nullptr, &acl, nullptr, &descriptor);
  if (status != ERROR_SUCCESS)
    return "has an unreadable owner or access list (error " + std::to_string(status) + ")";
  std::string reason = security_refusal(descriptor, folder_above);
  ::LocalFree(descriptor);
  return reason;
}

// The handles held from the check to the load, closed when it goes.
struct HeldPath {
  std::vector<HANDLE> handles;
  HeldPath() = default;
  HeldPath(const HeldPath&) = delete;
  HeldPath& operator=(const HeldPath&) = delete;
  ~HeldPath() {
    for (HANDLE h : handles) ::CloseHandle(h);
  }
};

std::string full_path(const std::string& path) {
  const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::string full(size, '\0');
  const DWORD length = ::GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

// Checks and holds every folder from the drive's root down to the store folder `dir`, then
// the library `file` in it; empty when all may be trusted, else the one-line reason.
std::string check_and_hold(const std::string& dir, const std::string& file, HeldPath& held) {
  const std::string full = full_path(dir);
  const DWORD dir_attributes = ::GetFileAttributesA(dir.c_str());
  if (full.empty() || dir_attributes == INVALID_FILE_ATTRIBUTES ||
      (dir_attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return "the store directory \"" + dir + "\" is missing";
  // The folders above: each prefix of the full path that ends before a separator, the
  // drive's root ("C:\\") included.
  std::vector<std::string> above;
  const size_t start = full.find_first_of("\\/", full.size() > 2 && full[1] == ':' ? 2 : 0);
  for (size_t at = start; at != std::string::npos && at + 1 < full.size();
       at = full.find_first_of("\\/", at + 1)) {
    above.push_back(full.substr(0, at + 1));
  }
  for (const std::string& folder : above) {
    const HANDLE h = hold(folder, true);
    if (h == INVALID_HANDLE_VALUE) return "the store directory \"" + dir + "\" is missing";
    held.handles.push_back(h);
    if (std::string reason = held_refusal(h, true); !reason.empty())
      return "the folder \"" + folder + "\" above the store directory \"" + dir + "\" " +
             reason;
  }
  const HANDLE store = hold(full, true);
  if (store == INVALID_HANDLE_VALUE) return "the store directory \"" + dir + "\" is missing";
  held.handles.push_back(store);
  if (std::string reason = held_refusal(store, false); !reason.empty())
    return "the store directory \"" + dir + "\" " + reason;
  // A link (symbolic link or junction) could lead anywhere: only a plain file is loaded.
  const HANDLE library = hold(file, false);
  BY_HANDLE_FILE_INFORMATION info{};
  if (library != INVALID_HANDLE_VALUE) held.handles.push_back(library);
  if (library == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(library, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return "the plug-in library \"" + file + "\" is missing or not a regular file";
  if (std::string reason = held_refusal(library, false); !reason.empty())
    return "the plug-in library \"" + file + "\" " + reason;
  return {};
}

}  // namespace

std::string security_refusal(const void* security_descriptor, bool folder_above) {
  auto* descriptor = const_cast<void*>(security_descriptor);
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == nullptr)
    return "has no owner";
  const std::string owner_sid = sid_text(owner);
  if (standing_of(owner_sid) != Standing::owner)
    return "belongs to " + account_name(owner_sid) + ", not to this user or the administrators";
  BOOL present = FALSE;
  PACL acl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted))
    return "has an unreadable access list";
  return acl_refusal(present ? acl : nullptr, folder_above ? kSwapRights : kWriteRights);
}

bool plugin_is_trusted(const std::string& dir, const std::string& file, std::string* why) {
  HeldPath held;
  std::string reason = check_and_hold(dir, file, held);
  if (why != nullptr) *why = reason;
  return reason.empty();
}

namespace plugin_library {

bool readable(const std::string& file) {
  const HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

void* open_trusted(const std::string& dir, const std::string& file, std::string* why) {
  HeldPath held;
  if (std::string reason = check_and_hold(dir, file, held); !reason.empty()) {
    if (why != nullptr) *why = std::move(reason);
    return nullptr;
  }
  // Searching the library's own folder needs its full path.
  const std::string full = full_path(file);
  // A library that fails to load gives a result, never a dialog box.
  DWORD previous_mode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
  HMODULE library = full.empty() ? nullptr
                                 : ::LoadLibraryExA(full.c_str(), nullptr,
                                                    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
                                                        LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetThreadErrorMode(previous_mode, nullptr);
  if (library == nullptr && why != nullptr)
    *why = "the plug-in library \"" + file + "\" cannot be loaded";
  return library;
}

Function symbol(void* library, const char* name) {
  return reinterpret_cast<Function>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void close(void* library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace plugin_library
}  // namespace bw::store
