#include "assets/installation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/additive_random.h"
#include "assets/asset_pack.h"
#include "store/store_writer.h"

namespace bw::assets {
namespace {

namespace fs = std::filesystem;

std::string fresh_dir(const std::string& name) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/fetch/" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> pattern(size_t n, uint8_t mul) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * mul + 3);
  return b;
}

// An install directory whose asset store holds `assets`.
std::string install_with(const std::string& name, const std::vector<PackedAsset>& assets) {
  const std::string install = fresh_dir(name);
  std::string error;
  EXPECT_TRUE(write_asset_store(install + "/data/Base3", assets, &error)) << error;
  return install;
}

// Fetches `path` and returns what was written to standard error meanwhile.
std::string fetch_quietly(Installation& installation, const std::string& path,
                          std::optional<std::vector<uint8_t>>& out) {
  testing::internal::CaptureStderr();
  out = installation.fetch_asset(path);
  return testing::internal::GetCapturedStderr();
}

TEST(AssetFetch, PackedAssetsComeBackWhole) {
  std::vector<PackedAsset> assets = {
      {"data/shaders/Tamsin/paint.bsf", pattern(4096, 7)},
      {"data/shaders/paint.bsf", pattern(1, 1)},
      {"data/shaders/oil3.jpg", pattern(70000, 13)},
      {"data/shaders/sig3.tga", pattern(300, 255)},
  };
  Installation installation(install_with("whole", assets));
  for (const auto& a : assets) {
    int64_t length = -1;
    auto got = installation.fetch_asset(a.key, length);
    ASSERT_TRUE(got.has_value()) << a.key;
    EXPECT_EQ(*got, a.bytes) << a.key;
    EXPECT_EQ(length, static_cast<int64_t>(a.bytes.size()));
  }
  // The generator is reseeded per fetch: a second fetch gives the same bytes.
  EXPECT_EQ(installation.fetch_asset(assets[0].key), assets[0].bytes);
}

TEST(AssetFetch, DescramblesWithTheRecordSeed) {
  // A store written without the packer: record 2's data is stored as given, so the fetch
  // must subtract the outputs of a generator seeded with 2 + 20593.
  const std::string install = fresh_dir("seed");
  const std::vector<uint8_t> stored = {0x05, 0x00, 0xFF, 0x80, 0x10};
  std::vector<store::WriterRecord> records = {
      {store::WriterValue::of_text("a.bin"), store::WriterValue::of_bytes({1, 2})},
      {store::WriterValue::of_text("b.bin"), store::WriterValue::of_bytes(stored)}};
  fs::create_directories(install + "/data");
  std::string error;
  ASSERT_TRUE(store::write_store(install + "/data/Base3",
                                 {store::WriterField{"Path", store::FieldType::text, 0, 4, {}},
                                  store::WriterField{"Data", store::FieldType::binary, 0, 4, {}}},
                                 records, {}, &error))
      << error;
  Installation installation(install);
  AdditiveRandom random;
  random.seed(2 + 20593);
  std::vector<uint8_t> expected = stored;
  for (uint8_t& b : expected) b = static_cast<uint8_t>(b - (random.next() & 0xFF));
  EXPECT_EQ(installation.fetch_asset("b.bin"), expected);
}

TEST(AssetFetch, ExactMatchTellsAPathFromItsPrefixesAndContinuations) {
  // Keys given out of order, each a prefix of the next in sorted order.
  std::vector<PackedAsset> assets = {
      {"data/shaders/a.bsf.bak", bytes_of("bak")},
      {"data/shaders/a", bytes_of("bare")},
      {"data/shaders/a.bsf", bytes_of("bsf")},
      {"data/shaders/B.bsf", bytes_of("upper")},
      {"data/shaders/ab", bytes_of("ab")},
  };
  Installation installation(install_with("prefixes", assets));
  for (const auto& a : assets) EXPECT_EQ(installation.fetch_asset(a.key), a.bytes) << a.key;
  // Letter case does not count in the store's collation.
  EXPECT_EQ(installation.fetch_asset("DATA/SHADERS/b.bsf"), bytes_of("upper"));
  std::optional<std::vector<uint8_t>> got;
  fetch_quietly(installation, "data/shaders/a.bs", got);
  EXPECT_FALSE(got.has_value());
}

TEST(AssetFetch, AbsentPathIsReportedAndNeverReadFromAPlainFile) {
  const std::string install = install_with("absent", {{"data/x.hdr", bytes_of("x")}});
  write_bytes(install + "/data/y.hdr", bytes_of("plain"));
  Installation installation(install);
  std::optional<std::vector<uint8_t>> got;
  const std::string message = fetch_quietly(installation, "data/y.hdr", got);
  EXPECT_FALSE(got.has_value());
  EXPECT_EQ(message, "cannot find \"data/y.hdr\" in the asset store or as a file\n");
}

TEST(AssetFetch, EmptyRecordReadsThePlainFileUnchanged) {
  const std::string install =
      install_with("empty", {{"data/a.bin", {}}, {"data/b.bin", bytes_of("b")}});
  const std::vector<uint8_t> plain = pattern(10, 5);
  write_bytes(install + "/data/a.bin", plain);
  Installation installation(install);
  int64_t length = 0;
  EXPECT_EQ(installation.fetch_asset("data/a.bin", length), plain);
  EXPECT_EQ(length, 10);
  // Without the plain file: none, and no message.
  fs::remove(install + "/data/a.bin");
  std::optional<std::vector<uint8_t>> got;
  EXPECT_EQ(fetch_quietly(installation, "data/a.bin", got), "");
  EXPECT_FALSE(got.has_value());
}

TEST(AssetFetch, WithoutAnAssetStorePlainFilesAreRead) {
  const std::string install = fresh_dir("nostore");
  write_bytes(install + "/data/shaders/p.hdr", bytes_of("plain hdr"));
  Installation installation(install);
  EXPECT_EQ(installation.fetch_asset("data/shaders/p.hdr"), bytes_of("plain hdr"));
  std::optional<std::vector<uint8_t>> got;
  EXPECT_EQ(fetch_quietly(installation, "data/shaders/q.hdr", got),
            "cannot find \"data/shaders/q.hdr\" in the asset store or as a file\n");
  EXPECT_FALSE(got.has_value());
  // A directory is not an asset.
  EXPECT_NE(fetch_quietly(installation, "data/shaders", got), "");
  EXPECT_FALSE(got.has_value());

  // The store is looked for once per installation; a new installation uses the new store.
  std::string error;
  ASSERT_TRUE(write_asset_store(install + "/data/Base3", {{"data/shaders/p.hdr", bytes_of("s")}},
                                &error));
  EXPECT_EQ(installation.fetch_asset("data/shaders/p.hdr"), bytes_of("plain hdr"));
  EXPECT_EQ(Installation(install).fetch_asset("data/shaders/p.hdr"), bytes_of("s"));
}

// Asset names stay inside the installation folder, with a store or without one: a path
// that climbs out of it or starts from a root is refused in one line and nothing is read.
TEST(AssetFetch, PathsLeadingOutOfTheInstallationAreRefused) {
  const std::string outside = fresh_dir("outside");
  write_bytes(outside + "/secret", bytes_of("secret"));
  const std::string nostore = fresh_dir("inside_nostore");
  write_bytes(nostore + "/data/a..b", bytes_of("dots in a name are fine"));
  for (const bool with_store : {false, true}) {
    Installation installation(
        with_store ? install_with("inside_store", {{"data/a..b", bytes_of("ok")}}) : nostore);
    SCOPED_TRACE(with_store ? "with a store" : "plain files");
    std::optional<std::vector<uint8_t>> got;
    for (const std::string& path :
         {std::string("../outside/secret"), std::string("data/../../outside/secret"),
          std::string("data\\..\\..\\outside\\secret"), std::string(outside + "/secret"),
          std::string("C:/secret"), std::string("..")}) {
      EXPECT_EQ(fetch_quietly(installation, path, got), "fetch_asset(): the asset path \"" + path +
                                              "\" leads outside the installation folder\n");
      EXPECT_FALSE(got.has_value()) << path;
    }
    EXPECT_EQ(fetch_quietly(installation, "data/a..b", got), "");
    EXPECT_TRUE(got.has_value());
  }
}

// A "Main" grown far past its records (noise appended, or a file extended) claims millions
// of records: the store is said to be damaged once, with the bound that "Bank.0" gives,
// and a path that is absent costs one pass over at most that many records, not one pass
// over every record claimed per miss.
TEST(AssetFetch, OversizedMainIsSaidAndItsReadingBounded) {
  const std::string install = install_with(
      "oversized", {{"a", bytes_of("1")}, {"bb", bytes_of("22")}, {"ccc", bytes_of("333")}});
  const std::string store = install + "/data/Base3";
  const auto heap = static_cast<long long>(fs::file_size(store + "/Bank.0"));
  fs::resize_file(store + "/Main", uint64_t{64} << 20);  // 4194302 records of 16 bytes
  Installation installation(install);
  std::optional<std::vector<uint8_t>> got;
  EXPECT_EQ(fetch_quietly(installation, "bb", got),
            "fetch_asset(): the asset store \"" + store + "\" is damaged: \"Main\" claims "
            "4194302 records, more than \"Bank.0\" can hold paths for (" +
                std::to_string(heap / 9) + "); only those are read\n");
  EXPECT_EQ(got, bytes_of("22"));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fetch_quietly(installation, "absent", got),
              "cannot find \"absent\" in the asset store or as a file\n");
    EXPECT_FALSE(got.has_value());
  }
  EXPECT_EQ(installation.asset_paths(""), (std::vector<std::string>{"a", "bb", "ccc"}));
}

// A damaged index is said once, naming the store and the path it missed; the assets are
// then found without it.
TEST(AssetFetch, DamagedIndexIsSaidAndPassedBy) {
  const std::string install =
      install_with("damaged", {{"a", bytes_of("1")}, {"b", bytes_of("2")}, {"c", bytes_of("3")}});
  // Root entry of the field-1 index: point the root past the last record.
  const std::string main_file = install + "/data/Base3/Main";
  {
    std::fstream f(main_file, std::ios::in | std::ios::out | std::ios::binary);
    const uint8_t root[4] = {99, 0, 0, 0};
    f.seekp(4);
    f.write(reinterpret_cast<const char*>(root), 4);
  }
  Installation installation(install);
  std::optional<std::vector<uint8_t>> got;
  EXPECT_EQ(fetch_quietly(installation, "b", got), "fetch_asset(): the asset store \"" + install +
                                         "/data/Base3\" is damaged: its index of asset paths "
                                         "fails on \"b\"\n");
  EXPECT_EQ(got, bytes_of("2"));
  EXPECT_EQ(fetch_quietly(installation, "c", got), "");
  EXPECT_EQ(got, bytes_of("3"));
  EXPECT_EQ(fetch_quietly(installation, "d", got), "cannot find \"d\" in the asset store or as a file\n");
  EXPECT_FALSE(got.has_value());
}

// A damaged asset store is named once, with what is wrong, in one line; it then serves
// nothing (not even plain files beside it) and says nothing more. A record that cannot be
// read is named once, and the other records are still served.
TEST(AssetFetch, DamageIsSaidOnceNamingTheStoreAndRecord) {
  struct Case {
    const char* name;
    void (*damage)(const std::string& store);
    const char* first;   // the message of the first fetch, after the store path
    bool others_served;  // "a" still comes back
  } cases[] = {
      {"empty Main", [](const std::string& d) { fs::resize_file(d + "/Main", 0); },
       "\" is damaged: \"Main\" holds no records\n", false},
      {"empty schema", [](const std::string& d) { fs::resize_file(d + "/Base3", 0); },
       "\" is damaged: its schema file is missing or of unknown kind\n", false},
      {"field 1 no longer text",  // the type byte of the first descriptor
       [](const std::string& d) { std::fstream(d + "/Base3", std::ios::in | std::ios::out |
                                                             std::ios::binary).seekp(16).put(3); },
       "\" is damaged: its schema does not describe assets", false},
      {"Bank.0 one byte short",
       [](const std::string& d) { fs::resize_file(d + "/Bank.0", fs::file_size(d + "/Bank.0") - 1); },
       "record 3 of the asset store \"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string install = install_with(
        std::string("damage_") + c.name,
        {{"a", bytes_of("1")}, {"b", bytes_of("22")}, {"c", bytes_of("333")}});
    write_bytes(install + "/c", bytes_of("plain"));
    const std::string store = install + "/data/Base3";
    c.damage(store);
    Installation installation(install);
    std::optional<std::vector<uint8_t>> got;
    const std::string message = fetch_quietly(installation, "c", got);
    EXPECT_FALSE(got.has_value());
    EXPECT_NE(message.find(c.first), std::string::npos) << message;
    EXPECT_NE(message.find("\"" + store + "\""), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_TRUE(installation.asset_store_damaged());
    EXPECT_EQ(fetch_quietly(installation, "c", got), "");  // said once
    EXPECT_EQ(fetch_quietly(installation, "a", got), "");
    EXPECT_EQ(got.has_value(), c.others_served);
  }
}

// "Bank.0" cut short (truncate -s 1000): the paths of the later records are gone, so the
// index cannot find them and reading every record cannot either. That is the store's
// damage, said once naming the store, never an asset that is merely missing.
TEST(AssetFetch, PathsCutOffFromBank0AreSaidAsDamage) {
  const std::string install = install_with(
      "cut_bank", {{"a", pattern(2000, 3)}, {"b", pattern(2000, 5)}, {"c", pattern(2000, 7)}});
  const std::string store = install + "/data/Base3";
  fs::resize_file(store + "/Bank.0", 1000);
  Installation installation(install);
  std::optional<std::vector<uint8_t>> got;
  const std::string said = fetch_quietly(installation, "c", got);
  EXPECT_FALSE(got.has_value());
  EXPECT_EQ(said, "fetch_asset(): the asset store \"" + store + "\" is damaged: the paths of 2 "
                  "of its 3 records cannot be read (the first: record 2)\n");
  EXPECT_TRUE(installation.asset_store_damaged());
  EXPECT_EQ(fetch_quietly(installation, "b", got), "");  // said once; nothing about each asset
  EXPECT_FALSE(got.has_value());
  EXPECT_EQ(installation.asset_paths(""), std::vector<std::string>{"a"});
}

TEST(AssetFetch, SoundAndMissingStoresAreNotDamaged) {
  EXPECT_FALSE(Installation(install_with("sound", {{"a", bytes_of("1")}})).asset_store_damaged());
  EXPECT_FALSE(Installation(fresh_dir("no_store")).asset_store_damaged());
}

// Two installations in one process answer each from its own folder, and damage found in
// one says nothing of the other: a damaged store beside a sound one, a store beside plain
// files, each asked in turn.
TEST(AssetFetch, InstallationsInOneProcessAnswerIndependently) {
  const std::string sound_dir = install_with("two_sound", {{"a", bytes_of("sound a")}});
  const std::string damaged_dir = install_with("two_damaged", {{"a", bytes_of("lost a")}});
  fs::resize_file(damaged_dir + "/data/Base3/Main", 0);
  const std::string plain_dir = fresh_dir("two_plain");
  write_bytes(plain_dir + "/a", bytes_of("plain a"));
  Installation sound(sound_dir), damaged(damaged_dir), plain(plain_dir);

  std::optional<std::vector<uint8_t>> got;
  EXPECT_NE(fetch_quietly(damaged, "a", got), "");
  EXPECT_FALSE(got.has_value());
  EXPECT_EQ(fetch_quietly(sound, "a", got), "");
  EXPECT_EQ(got, bytes_of("sound a"));
  EXPECT_EQ(fetch_quietly(plain, "a", got), "");
  EXPECT_EQ(got, bytes_of("plain a"));
  EXPECT_TRUE(damaged.asset_store_damaged());
  EXPECT_FALSE(sound.asset_store_damaged());
  EXPECT_FALSE(plain.asset_store_damaged());
  EXPECT_EQ(sound.asset_paths(""), std::vector<std::string>{"a"});
  EXPECT_TRUE(damaged.asset_paths("").empty());
  // A second installation of the damaged folder finds the damage for itself and says it.
  Installation again(damaged_dir);
  EXPECT_NE(fetch_quietly(again, "a", got), "");
  EXPECT_EQ(fetch_quietly(damaged, "a", got), "");  // the first has said it already
}

TEST(AssetPack, RefusesKeysTheStoreCannotTellApart) {
  std::string error;
  EXPECT_FALSE(write_asset_store(fresh_dir("dup") + "/Base3",
                                 {{"data/A.tga", {1}}, {"data/a.tga", {2}}}, &error));
  EXPECT_NE(error.find("data/a.tga"), std::string::npos) << error;
  EXPECT_FALSE(write_asset_store(fresh_dir("nul") + "/Base3", {{"", {1}}}, &error));
}

TEST(AssetPack, RelativeKeys) {
  const std::string root = fresh_dir("rel");
  write_bytes(root + "/data/shaders/x.bsf", {1});
  std::string key;
  ASSERT_TRUE(relative_key(root, root + "/data/shaders/x.bsf", key));
  EXPECT_EQ(key, "data/shaders/x.bsf");
  ASSERT_TRUE(relative_key(root + "/", root + "/data/../data/shaders/x.bsf", key));
  EXPECT_EQ(key, "data/shaders/x.bsf");
  EXPECT_FALSE(relative_key(root + "/data", root + "/other.bin", key));
  EXPECT_FALSE(relative_key(root, root, key));
}

}  // namespace
}  // namespace bw::assets
