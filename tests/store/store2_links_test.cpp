#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#endif

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#endif

#include <filesystem>

#include "fixture_stores.h"
#include "store/expression.h"
#include "store/store_links.h"

namespace bw::store {
namespace {

using fixture::field;
namespace fs = std::filesystem;

using fixture::Linked;
using fixture::linked_stores;

TEST(LinkedRead, LinksExpressionsAndMisses) {
  Linked l = linked_stores("linked");
  ASSERT_NE(l.a, nullptr);
  StoreLinks links;
  struct Case {
    int record;
    const char* path;
    int result;
    const char* text;
  } cases[] = {
      {1, "^2.1", 8, "b2"},          // type 4: record 2 of B ("b2" padded to 8)
      {1, "^2.2", 2, "20"},
      {1, "^2", 2, "#2"},            // the link itself, not followed
      {2, "^2.1", 0, ""},            // link value 0
      {3, "^2.1", -1, ""},           // past the end of B
      {1, "^3.1", 8, "C"},           // type 5, field 1: record 3 of B
      {1, "^3.2", 3, "200"},         // type 5 otherwise: B record 3 names store C, record 2
      {2, "^3.2", -1, ""},           // ... B record 1 names "b1", which is no store
      {1, "^4", 9, "34.000000"},     // expression record 1: 7 * 2 + 20
      {2, "^4", 8, "0.000000"},      // "(1+": unbalanced
      {3, "^4", -1, ""},             // no expression record 9
  };
  for (const auto& c : cases) {
    FieldPath path;
    ASSERT_TRUE(parse_field_path(c.path, path)) << c.path;
    std::string text;
    const int got = read_field_linked(*l.a, links, c.record, path, text);
    EXPECT_EQ(got, c.result) << c.path << " @" << c.record;
    EXPECT_EQ(std::string(text.c_str()), c.text) << c.path << " @" << c.record;
  }
  // Evaluation reads through links too.
  EXPECT_EQ(evaluate(*l.a, 1, "^2.2+^3.2", &links), 220);
  // A's list holds B and _Expression, most recently used first; C is in B's own list.
  EXPECT_EQ(links.paths(), (std::vector<std::string>{l.parent + "/B", l.parent + "/A/_Expression"}));
}

TEST(LinkedRead, ComplexValuesThroughTheSubStore) {
  const std::string dir = fixture::fresh_dir("complex") + "/X";
  std::vector<WriterRecord> records(4, WriterRecord{WriterValue::of_text("r")});
  auto store = fixture::build(dir, {field("Name", FieldType::fixed_text, 4),
                                    field("Value", FieldType::complex, 6, 2)}, records);
  ASSERT_NE(store, nullptr);
  StoreLinks links;
  std::string text;
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(2), text), -1);  // no _Complex

  fixture::build(
      dir + "/_Complex",
      {field("Small", FieldType::signed_integer, 4), field("Label", FieldType::fixed_text, 12)},
      {});
  // Inline slots: (selector 2 bytes, then a 4-byte value or a Bank.0 reference).
  const int64_t heap_size = static_cast<int64_t>(fixture::read_file(dir + "/Bank.0").size());
  std::vector<uint8_t> block = {16, 0, 0, 0, 16, 0, 0, 0};  // P, Q: 12 data bytes
  for (char c : std::string("hello world!")) block.push_back(static_cast<uint8_t>(c));
  fixture::patch(dir + "/Bank.0", static_cast<size_t>(heap_size), block);
  auto slot = [&](int record, std::vector<uint8_t> bytes) {
    const int64_t at = store->header_size() + int64_t{record - 1} * store->record_size() +
                       store->location(1).record_offset;
    fixture::patch(dir + "/Main", static_cast<size_t>(at), bytes);
  };
  slot(1, {1, 0, 0xD2, 0x04, 0, 0});  // field 1 of _Complex: 1234
  const auto ref = fixture::le32(static_cast<uint32_t>(heap_size + 1));
  slot(2, {2, 0, ref[0], ref[1], ref[2], ref[3]});
  slot(3, {0, 0, 0, 0, 0, 0});
  slot(4, {9, 0, 0, 0, 0, 0});  // no field 9 in _Complex
  OpenFailure failure{};
  auto reopened = RecordStore::open(dir, failure);
  ASSERT_NE(reopened, nullptr);
  StoreLinks fresh;
  EXPECT_EQ(read_field_linked(*reopened, fresh, 1, FieldPath::of(2), text), 4);
  EXPECT_EQ(text, "1234");
  EXPECT_EQ(read_field_linked(*reopened, fresh, 2, FieldPath::of(2), text), 12);
  EXPECT_EQ(text, "hello world!");
  EXPECT_EQ(read_field_linked(*reopened, fresh, 3, FieldPath::of(2), text), 0);
  EXPECT_EQ(read_field_linked(*reopened, fresh, 4, FieldPath::of(2), text), -1);
  EXPECT_EQ(read_field_linked(*reopened, fresh, 5, FieldPath::of(2), text), -1);
}

// Lets only the owner (with the administrators and the system) write `path`, or everyone
// when `others_write`; everyone may read it.
void set_writers(const std::string& path, bool others_write) {
#ifdef _WIN32
  // An access list of its own, nothing inherited from the folders above.
  const std::string sddl = std::string("D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)") +
                           (others_write ? "(A;;FA;;;WD)" : "(A;;0x1200a9;;;WD)");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
  EXPECT_EQ(SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS))
      << path;
  LocalFree(descriptor);
#else
  const bool folder = fs::is_directory(path);
  const mode_t mode = folder ? (others_write ? 0777 : 0755) : (others_write ? 0666 : 0644);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
#endif
}

// Copies the test plug-in into `dir`; only the owner may write either.
void install_plugin(const std::string& dir) {
  const std::string target = dir + "/" + kPluginFile;
  fs::copy_file(BW_TEST_PLUGIN, target, fs::copy_options::overwrite_existing);
  set_writers(target, false);
  set_writers(dir, false);
}

TEST(Plugin, VirtualFieldsComeFromTheLibrary) {
  const std::string dir = fixture::fresh_dir("plugin_ok");
  auto store =
      fixture::build(dir, {field("Name", FieldType::fixed_text, 4)}, {{WriterValue::of_text("x")}});
  ASSERT_NE(store, nullptr);
  install_plugin(dir);
  StoreLinks links;
  std::string text;
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(5), text), 18);
  EXPECT_EQ(text, "virtual 1 5 code 4");
  EXPECT_TRUE(links.plugin().usable());
  EXPECT_EQ(links.plugin().refusal(), "");
  // A value that fills the whole text area ends inside it.
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(99), text), 255);
  EXPECT_EQ(evaluate(*store, 1, "^7", &links), 0);  // "virtual ..." is no number
}

TEST(Plugin, RefusedOrUntrustedLibrariesServeNothing) {
  struct Case {
    const char* name;
    bool library, open_dir, open_file;
    const char* refusal;  // the start of the reason, after the quoted path
  } cases[] = {
      {"plugin_refuse", true, false, false, "refused the store"},  // Create answers 0
      {"plugin_open_dir", true, true, false, "can be written by"},
      {"plugin_open_file", true, false, true, "can be written by"},
      {"plugin_missing", false, false, false, nullptr},            // no library, no reason
  };
  for (const auto& c : cases) {
    const std::string dir = fixture::fresh_dir(c.name);
    auto store = fixture::build(dir, {field("Name", FieldType::fixed_text, 4)},
                                {{WriterValue::of_text("x")}});
    ASSERT_NE(store, nullptr);
    const std::string file = dir + "/" + kPluginFile;
    if (c.library) install_plugin(dir);
    if (c.open_file) set_writers(file, true);
    if (c.open_dir) set_writers(dir, true);
    StoreLinks links;
    std::string text = "old";
    EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(2), text), -1) << c.name;
    EXPECT_EQ(text, "") << c.name;
    EXPECT_TRUE(links.plugin().tried());
    EXPECT_FALSE(links.plugin().usable()) << c.name;
    const std::string named = c.open_dir ? dir : file;
    if (c.refusal != nullptr)
      EXPECT_THAT(links.plugin().refusal(),
                  testing::HasSubstr("\"" + named + "\" " + c.refusal)) << c.name;
    else
      EXPECT_EQ(links.plugin().refusal(), "") << c.name;
    if (c.open_dir) set_writers(dir, false);
  }
  std::string why;
  EXPECT_FALSE(plugin_is_trusted("/nonexistent", "/nonexistent/Methods.so", &why));
  EXPECT_EQ(why, "the store directory \"/nonexistent\" is missing");
}

#ifdef _WIN32
// Owners and access lists, from the text form of security descriptors.
TEST(Plugin, AccessListsThatLetOthersWriteAreRefused) {
  constexpr const char* kOwn = "O:SYD:P(A;;FA;;;SY)(A;;FA;;;BA)";
  struct Case {
    std::string sddl;
    const char* refusal;  // "" when trusted
  } cases[] = {
      {std::string(kOwn) + "(A;;0x1200a9;;;WD)", ""},             // Everyone reads
      {"O:BAD:(A;;FA;;;CO)(A;;FA;;;OW)(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-"
       "1853292631-2271478464)",
       ""},                                                        // owner stand-ins, installer
      {std::string(kOwn) + "(A;OICIIO;FA;;;WD)", ""},              // only for what it will hold
      {std::string(kOwn) + "(D;;FA;;;WD)", ""},                    // a denial grants nothing
      {"O:SYD:P", ""},                                             // an empty list: nobody
      {"O:SY", "has no access list, so everyone may write it"},
      {std::string(kOwn) + "(A;;0x2;;;WD)", "can be written by Everyone"},  // write data
      {std::string(kOwn) + "(A;;0x4;;;BU)", "can be written by Users"},     // append data
      {std::string(kOwn) + "(A;;0x40;;;AU)", "can be written by Authenticated Users"},
      {std::string(kOwn) + "(A;;GW;;;IU)", "can be written by Interactive"},
      {std::string(kOwn) + "(A;;GA;;;BG)", "can be written by Guests"},
      {std::string(kOwn) + "(A;;WD;;;S-1-5-21-1-2-3-1001)",      // may change the list
       "can be written by S-1-5-21-1-2-3-1001"},
      {std::string(kOwn) + "(A;;SD;;;WD)", "can be written by Everyone"},   // may delete
      {"O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;SY)",
       "belongs to S-1-5-21-1-2-3-1001, not to this user or the administrators"},
      {"O:AND:P(A;;FA;;;SY)",  // how Wine shows the files of another Unix user
       "belongs to Anonymous Logon, not to this user or the administrators"},
  };
  for (const auto& c : cases) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        c.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << c.sddl;
    EXPECT_EQ(security_refusal(descriptor), c.refusal) << c.sddl;
    LocalFree(descriptor);
  }
  // A null list (present, but a null pointer) lets everyone do anything, as a missing one.
  SECURITY_DESCRIPTOR open{};
  ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
  PSID system = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-18", &system));
  ASSERT_TRUE(SetSecurityDescriptorOwner(&open, system, FALSE));
  EXPECT_EQ(security_refusal(&open), "has no access list, so everyone may write it");
  LocalFree(system);
}
#else
// Another user who may write a folder above the store's swaps the store folder for one of
// their own, with their library in it, again and again while the store is read. The
// library the reads load is never theirs: a folder above that others may write is refused
// outright, and under a sticky one (as /tmp) the swap itself is refused, so the store's own
// library serves every read. The other user is the unprivileged "bw-intruder" that
// scripts/setup creates; without it, or without root to become it, the test is skipped.
TEST(Plugin, ASwappedStoreFolderNeverLoadsAnotherUsersLibrary) {
  const passwd* intruder = ::getpwnam("bw-intruder");
  if (::geteuid() != 0 || intruder == nullptr)
    GTEST_SKIP() << "needs root and the user bw-intruder (scripts/setup)";
  const uid_t uid = intruder->pw_uid;
  const gid_t gid = intruder->pw_gid;
  for (const mode_t shared_mode : {mode_t{0777}, mode_t{01777}}) {
    const bool sticky = (shared_mode & S_ISVTX) != 0;
    SCOPED_TRACE(sticky ? "sticky shared folder" : "shared folder");
    const std::string shared = fixture::fresh_dir(sticky ? "plugin_sticky" : "plugin_shared");
    ASSERT_EQ(::chmod(BW_TEST_TMPDIR, 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), shared_mode), 0);
    const std::string mine = shared + "/store";
    const std::string theirs = shared + "/theirs";
    const std::vector<WriterField> fields = {field("Name", FieldType::fixed_text, 4)};
    fixture::build(mine, fields, {{WriterValue::of_text("x")}});
    fixture::build(theirs, fields, {{WriterValue::of_text("x")}});
    install_plugin(mine);
    fs::copy_file(BW_INTRUDER_PLUGIN, theirs + "/" + kPluginFile);
    for (const auto& entry : fs::recursive_directory_iterator(theirs))
      ASSERT_EQ(::lchown(entry.path().c_str(), uid, gid), 0);
    ASSERT_EQ(::lchown(theirs.c_str(), uid, gid), 0);

    const pid_t swapper = ::fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
      if (::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(2);
      for (;;) ::renameat2(AT_FDCWD, mine.c_str(), AT_FDCWD, theirs.c_str(), RENAME_EXCHANGE);
    }
    int theirs_loaded = 0;
    int mine_loaded = 0;
    std::string refusal;
    for (int i = 0; i < 400; ++i) {
      OpenFailure failure{};
      auto store = RecordStore::open(mine, failure);
      if (store == nullptr) continue;  // caught half-way through a swap
      StoreLinks links;
      std::string text;
      read_field_linked(*store, links, 1, FieldPath::of(5), text);
      if (text.starts_with("intruder")) ++theirs_loaded;
      if (text.starts_with("virtual")) ++mine_loaded;
      if (!links.plugin().refusal().empty()) refusal = links.plugin().refusal();
    }
    ::kill(swapper, SIGKILL);
    int status = 0;
    ::waitpid(swapper, &status, 0);
    EXPECT_EQ(theirs_loaded, 0);
    if (sticky) {
      EXPECT_EQ(mine_loaded, 400) << refusal;  // the swap never happened
    } else {
      EXPECT_EQ(mine_loaded, 0);
      EXPECT_THAT(refusal, testing::HasSubstr("the folder \"" + shared +
                                              "\" above the store directory"));
      EXPECT_THAT(refusal, testing::EndsWith("can be written by other users"));
    }
    fs::remove_all(shared);
  }
}

// Links on the way to the store are followed and their targets checked in turn; a library
// that is a link is refused however trusted its target.
TEST(Plugin, LinksOnTheWayAreFollowedAndChecked) {
  const std::string root = fixture::fresh_dir("plugin_links");
  const std::string store_dir = root + "/real/store";
  fs::create_directories(root + "/real");
  auto store = fixture::build(store_dir, {field("Name", FieldType::fixed_text, 4)},
                              {{WriterValue::of_text("x")}});
  ASSERT_NE(store, nullptr);
  install_plugin(store_dir);
  fs::create_directory_symlink("real", root + "/alias");
  std::string why;
  EXPECT_TRUE(plugin_is_trusted(root + "/alias/store", root + "/alias/store/Methods.so", &why))
      << why;
  // The link's target lies in a folder others may write.
  fs::create_directories(root + "/open/store");
  fs::copy(store_dir, root + "/open/store", fs::copy_options::recursive |
                                                fs::copy_options::overwrite_existing);
  ASSERT_EQ(::chmod((root + "/open").c_str(), 0777), 0);
  fs::create_directory_symlink(root + "/open", root + "/sneaky");
  EXPECT_FALSE(plugin_is_trusted(root + "/sneaky/store", root + "/sneaky/store/Methods.so", &why));
  EXPECT_EQ(why, "the folder \"" + root + "/open\" above the store directory \"" + root +
                     "/sneaky/store\" can be written by other users");
  // The library itself a link to a trusted one.
  const std::string linked = root + "/linked";
  fs::create_directories(linked);
  fs::copy(store_dir, linked, fs::copy_options::recursive);
  fs::remove(linked + "/Methods.so");
  fs::create_symlink(store_dir + "/Methods.so", linked + "/Methods.so");
  EXPECT_FALSE(plugin_is_trusted(linked, linked + "/Methods.so", &why));
  EXPECT_EQ(why, "the plug-in library \"" + linked + "/Methods.so\" is missing or not a regular file");
}

TEST(Plugin, GroupWritableLibrariesAreRefused) {
  const std::string dir = fixture::fresh_dir("plugin_group_file");
  install_plugin(dir);
  const std::string file = dir + "/" + kPluginFile;
  ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
  std::string why;
  EXPECT_FALSE(plugin_is_trusted(dir, file, &why));
  EXPECT_EQ(why, "the plug-in library \"" + file + "\" can be written by other users");
}
#endif

}  // namespace
}  // namespace bw::store
