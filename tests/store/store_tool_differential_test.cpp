// bwtool store read|find|eval natively and the Windows bwtool under Wine, on the same
// stores: what each prints and its exit status must agree byte for byte. The stores hold
// the values whose text a C runtime could make differently (floats and doubles through
// "%f", infinities, implied decimals, dates in both date orders, times), raw bytes with
// line ends and NULs, links, expressions and indexes; the shipped data stores are read too.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "fixture_stores.h"

namespace bw::store {
namespace {

namespace fs = std::filesystem;
using fixture::field;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct ToolRun {
  int status = -1;
  std::string out;
};

// `program` with `args` under `environment` ("TZ=..." or "-u TZ"), stdout kept exactly.
ToolRun run_tool(const std::string& environment, const std::string& program, const std::string& args) {
  const std::string out = std::string(BW_TEST_TMPDIR) + "/tool_out.bin";
  const std::string command =
      "env " + environment + " " + program + " " + args + " >" + out + " 2>/dev/null";
  const int raw = std::system(command.c_str());
  ToolRun result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(out, std::ios::binary);
  result.out.assign(std::istreambuf_iterator<char>(in), {});
  return result;
}

std::vector<uint8_t> u8(uint32_t v, int width) {
  std::vector<uint8_t> b(static_cast<size_t>(width));
  for (int i = 0; i < width; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

// One record per row: dates, times and numbers at the edges of their printed forms.
std::string value_store() {
  const std::string dir = fixture::fresh_dir("differential_values");
  const int64_t june_2007 = (733223 - 719544) * int64_t{86400};  // days since 1970, seconds
  auto row = [&](const char* key, uint32_t day, uint32_t time, int64_t date_time, float f,
                 double d, double whole, int64_t implied, int64_t plain, const char* text) {
    return WriterRecord{WriterValue::of_text(key),       WriterValue::of_bytes(u8(day, 3)),
                        WriterValue::of_bytes(u8(time, 3)), WriterValue::of_integer(date_time, 8),
                        WriterValue::of_float(f),          WriterValue::of_double(d),
                        WriterValue::of_float(f),          WriterValue::of_double(whole),
                        WriterValue::of_integer(implied, 4), WriterValue::of_integer(plain, 2),
                        WriterValue::of_text(text)};
  };
  fixture::build(
      dir,
      {field("Key", FieldType::fixed_text, 8), field("Day", FieldType::date, 3),
       field("Time", FieldType::time, 3), field("Stamp", FieldType::time, 8),
       field("Float2", FieldType::single_float, 4, 2),
       field("Double3", FieldType::double_float, 8, 3),
       field("Float9", FieldType::single_float, 4, 9),
       field("Whole", FieldType::double_float, 8, 0),
       field("Cents", FieldType::signed_integer, 4, 2),
       field("Plain", FieldType::unsigned_integer, 2), field("Notes", FieldType::text, 4)},
      {row("alpha", 733223, 3601, june_2007 + 45001 + 1, 3.14159f, -0.0025, 0.5, 123, 65535,
           "line one\nline two\r\n"),
       row("Beta", 730560, 1, 2, -1e-7f, kInfinity, 2.5, -5, 0, ""),
       row("gamma", 382, 86400, 1, 1e10f, std::nan(""), 1.5, 0, 7,
           "\x1a"
           "end"),
       row("delta", 381, 0, 0, 0.125f, -kInfinity, -0.5, 99, 1, "x")},
      [] {
        WriterOptions options;
        options.tree_fields = {2, 9};
        return options;
      }());
  return dir;
}

// The store of the tool tests: raw bytes with NUL and LF, a group, arrays, an own bank.
std::string byte_store() {
  const std::string dir = fixture::fresh_dir("differential_bytes");
  fixture::build(
      dir,
      {field("Path", FieldType::fixed_text, 6), field("Data", FieldType::binary, 4),
       field("Pair", FieldType::group, 3, 0,
             {field("A", FieldType::signed_integer, 2, 1), field("B", FieldType::fixed_text, 1)}),
       field("Nums", FieldType::signed_integer, 2, 0x20),
       field("Side", FieldType::fixed_text, 2, kFlagOwnBank)},
      {{WriterValue::of_text("a/b.fx"), WriterValue::of_bytes({'a', 0, 'b', '\n', '\r'}),
        WriterValue::of_members({WriterValue::of_integer(25, 2), WriterValue::of_text("z")}),
        WriterValue::of_elements({{4, 0}, {5, 0}}), WriterValue::of_text("s1")}});
  return dir;
}

struct Command {
  std::string args;
  bool date_order_matters = false;  // run in both date orders
};

std::vector<Command> commands() {
  std::vector<Command> out;
  const std::string values = value_store();
  for (int record = 1; record <= 4; ++record)
    for (int f = 2; f <= 11; ++f)
      out.push_back({"store read " + values + " " + std::to_string(record) + " ^" + std::to_string(f),
                     f == 2 || f == 4});
  for (const char* find : {"^2 15.06.2007", "^2 06/15/2007", "^2 29.02.2000"})
    out.push_back({"store find " + values + " " + find, true});
  for (const char* find : {"^1 alpha", "^1 ALPHA", "^1 zeta", "^9 1.23", "^9 -.05", "^9 0x7b"})
    out.push_back({"store find " + values + " " + find});
  for (const char* expression : {"^5*2", "^6+1", "^9/7", "1/3*3", "^10-70000.25", "1/0",
                                 "1-(2/0)", "(0/0)*2", "^8", "2.5e-7*3"})
    out.push_back({"store eval " + values + " 1 '" + expression + "'"});

  const std::string bytes = byte_store();
  for (const char* path : {"^2", "^3", "^3.2", "^4[X]", "^4[2]", "^5"})
    out.push_back({"store read " + bytes + " 1 " + path});

  WriterOptions options;
  options.tree_fields = {2, 3};
  const fixture::Linked linked = fixture::linked_stores("differential_links", options);
  const std::string a = linked.parent + "/A";
  for (const char* path : {"1 ^2.1", "1 ^3.2", "1 ^4", "2 ^4", "3 ^2"})
    out.push_back({"store read " + a + " " + path});
  out.push_back({"store find " + a + " ^2.1 '#2'"});
  out.push_back({"store eval " + a + " 1 'CX[B, 2, ^2]*^5'"});

  // The shipped stores: their layout, and a record's path and bytes.
  for (const char* name : {"Base", "Base1", "Base2", "Base3", "Base4"}) {
    const std::string dir = std::string(BW_NATIVE_DATA) + "/" + name;
    if (!fs::exists(dir)) continue;
    out.push_back({"store info " + dir});
    out.push_back({"store read " + dir + " 1 ^1"});
    out.push_back({"store read " + dir + " 2 ^2"});
  }

  // Failures: what is printed (nothing) and the status.
  for (const std::string& bad : {"store read " + values + " 9 ^1", "store read " + values + " x ^1",
                                 "store find " + values + " ^12 a", "store eval " + values + "/none 1 1"})
    out.push_back({bad});
  return out;
}

TEST(StoreToolDifferential, WindowsBwtoolPrintsWhatTheNativeOnePrints) {
  if (!fs::exists(BWTOOL_WINDOWS)) GTEST_SKIP() << "no Windows bwtool at " << BWTOOL_WINDOWS;
  const std::string windows = std::string(WINE_RUN) + " " + BWTOOL_WINDOWS;
  int compared = 0;
  for (const Command& command : commands()) {
    // "TZ" decides the date order; an absent one means day first.
    for (const char* environment : {"-u TZ", "TZ=US/Pacific"}) {
      if (environment[0] == 'T' && !command.date_order_matters) continue;
      const ToolRun native = run_tool(environment, BWTOOL, command.args);
      const ToolRun wine = run_tool(environment, windows, command.args);
      EXPECT_EQ(wine.status, native.status) << environment << " " << command.args;
      EXPECT_EQ(wine.out, native.out) << environment << " " << command.args;
      ++compared;
    }
  }
  EXPECT_GT(compared, 80);
}

}  // namespace
}  // namespace bw::store
