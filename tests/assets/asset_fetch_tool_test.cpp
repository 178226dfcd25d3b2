// bwtool store pack-assets | pack-images | find and bwtool asset, run as a program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/additive_random.h"
#include "store/record_store.h"
#include "store/store_writer.h"

namespace {

namespace fs = std::filesystem;

std::string fresh_dir(const std::string& name) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/fetch_tool/" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> pattern(size_t n, unsigned seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 2654435761u + seed) >> 13);
  return b;
}

// Runs bwtool; returns its exit status, with standard output and error in the strings.
int bwtool(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/fetch_tool";
  fs::create_directories(dir);
  const std::string out_file = dir + "/stdout";
  const std::string err_file = dir + "/stderr";
  const int status = std::system((std::string(BWTOOL_PATH) + " " + arguments + " >'" + out_file +
                                  "' 2>'" + err_file + "'")
                                     .c_str());
  if (out != nullptr) {
    const auto b = read_file(out_file);
    out->assign(b.begin(), b.end());
  }
  if (err != nullptr) {
    const auto b = read_file(err_file);
    err->assign(b.begin(), b.end());
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AssetTool, PackThenFetchEveryPathGivesTheOriginalBytes) {
  const std::string root = fresh_dir("root");
  const std::vector<std::string> paths = {"data/shaders/Tamsin/Tamsin.hdr",
                                          "data/shaders/Tamsin/paint.bsf", "data/shaders/paint.bsf",
                                          "data/shaders/oil3.jpg", "data/shaders/sig3.tga"};
  std::string files;
  for (size_t i = 0; i < paths.size(); ++i) {
    write_file(root + "/" + paths[i], pattern(1 + i * 3000, static_cast<unsigned>(i)));
    files += " '" + root + "/" + paths[i] + "'";
  }
  const std::string install = fresh_dir("install");
  ASSERT_EQ(bwtool("store pack-assets '" + install + "/data/Base3' '" + root + "'" + files), 0);
  for (const auto& p : paths) {
    std::string out;
    ASSERT_EQ(bwtool("asset '" + install + "' " + p, &out), 0) << p;
    const auto original = read_file(root + "/" + p);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()), original) << p;
  }
  std::string out;
  std::string err;
  EXPECT_EQ(bwtool("asset '" + install + "' data/shaders/none.bsf", &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "cannot find \"data/shaders/none.bsf\" in the asset store or as a file\n");

  // The field-1 lookup as the tool prints it: record 3 holds "data/shaders/paint.bsf".
  const std::string store = "'" + install + "/data/Base3'";
  EXPECT_EQ(bwtool("store find " + store + " 1 data/shaders/paint.bsf", &out), 0);
  EXPECT_EQ(out, "3\n");
  EXPECT_EQ(bwtool("store find " + store + " ^Path data/shaders/zzz", &out), 0);
  EXPECT_EQ(out, "-1\n");
  EXPECT_EQ(bwtool("store find " + store + " 2 x", &out), 0);
  EXPECT_EQ(out, "0\n");  // field 2 has no index

  // The last record's bytes cut short: the tool fails saying which record of which store.
  const std::string bank = install + "/data/Base3/Bank.0";
  fs::resize_file(bank, fs::file_size(bank) - 1);
  EXPECT_EQ(bwtool("asset '" + install + "' data/shaders/sig3.tga", &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "fetch_asset(): record 5 of the asset store \"" + install +
                     "/data/Base3\" cannot be read (\"data/shaders/sig3.tga\")\n");
}

TEST(AssetTool, PackImagesScramblesRecordKWithItsOwnSeed) {
  const std::string dir = fresh_dir("images");
  const auto first = pattern(100, 1);
  const auto second = pattern(2000, 2);
  write_file(dir + "/in/1.jpg", first);
  write_file(dir + "/in/2.jpg", second);
  ASSERT_EQ(bwtool("store pack-images '" + dir + "/Base4' '" + dir + "/in/1.jpg' '" + dir +
                   "/in/2.jpg'"),
            0);
  bw::store::OpenFailure failure{};
  auto store = bw::store::RecordStore::open(dir + "/Base4", failure);
  ASSERT_NE(store, nullptr) << static_cast<int>(failure);
  ASSERT_EQ(store->record_count(), 2);
  std::string data;
  ASSERT_EQ(store->read_field(2, 2, data), 2000);
  std::vector<uint8_t> bytes(data.begin(), data.end());
  EXPECT_NE(bytes, second);  // stored scrambled
  bw::assets::descramble(bytes, 2 + 20593);
  EXPECT_EQ(bytes, second);
}

TEST(StoreTool, EvalPrintsTheValueWithSixDecimals) {
  const std::string dir = fresh_dir("eval") + "/S";
  std::string error;
  ASSERT_TRUE(bw::store::write_store(
      dir,
      {bw::store::WriterField{"Name", bw::store::FieldType::fixed_text, 0, 4, {}},
       bw::store::WriterField{"Count", bw::store::FieldType::signed_integer, 0, 4, {}}},
      {{bw::store::WriterValue::of_text("a"), bw::store::WriterValue::of_integer(5, 4)}}, {},
      &error))
      << error;
  std::string out;
  EXPECT_EQ(bwtool("store eval '" + dir + "' 1 '^Count*2+1/3'", &out), 0);
  EXPECT_EQ(out, "10.333333\n");
  // A malformed expression is refused, with what the evaluator would make of it.
  std::string err;
  EXPECT_EQ(bwtool("store eval '" + dir + "' 1 '(1+'", &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("malformed expression at character 4"), std::string::npos) << err;
  EXPECT_NE(err.find("(read as it stands: 0.000000)"), std::string::npos) << err;
  EXPECT_EQ(bwtool("store eval '" + dir + "' 0 1", nullptr, &err), 2);
  EXPECT_NE(err.find("not a record number"), std::string::npos) << err;
}

TEST(AssetTool, BadCommandLinesAndInputs) {
  const std::string dir = fresh_dir("bad");
  write_file(dir + "/root/a.bin", {1});
  write_file(dir + "/elsewhere.bin", {2});
  struct Case {
    std::string arguments;
    int status;
    std::string message;
  } cases[] = {
      {"asset only-one", 2, "usage: bwtool asset"},
      {"store pack-assets '" + dir + "/S' '" + dir + "/root'", 2, "usage:"},
      {"store pack-assets '" + dir + "/S' '" + dir + "/root' '" + dir + "/elsewhere.bin'", 1,
       "does not lie under"},
      {"store pack-assets '" + dir + "/S' '" + dir + "/root' '" + dir + "/root/missing'", 1,
       "is not a readable file"},
      {"store pack-images '" + dir + "/S' '" + dir + "/root'", 1, "is not a readable file"},
      {"store find '" + dir + "/nostore' 1 x", 1, "cannot open store"},
      {"store find '" + dir + "/S' 1 x --mode 7", 2, "mode 7"},
      {"store find '" + dir + "/S' 1 x --step", 2, "usage:"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(bwtool(c.arguments, nullptr, &err), c.status) << c.arguments;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.arguments << ": " << err;
  }
}

}  // namespace
