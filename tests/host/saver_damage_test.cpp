// The saver against damaged data: each file of each shipped store in turn emptied, cut in
// half, with bytes flipped at fixed seeds, replaced by a folder or a FIFO, and each store
// folder emptied. Whatever the damage: no crash and no hang, one line per problem naming
// the store, status 0 when the pictures were painted and 1 when none could be, and the
// data exactly as it was.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "program_runner.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;
using testing::slurp;

// Size, modification time and bytes of every file under `dir`, and what each entry is.
std::map<std::string, std::string> fingerprint(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0) continue;
    std::ostringstream print;
    print << (st.st_mode & S_IFMT) << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.'
          << st.st_mtim.tv_nsec;
    if (S_ISREG(st.st_mode)) print << ' ' << slurp(entry.path().string());
    out[entry.path().string()] = print.str();
  }
  return out;
}

std::vector<char> bytes_of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const fs::path& file, const std::vector<char>& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Damage {
  const char* name;
  std::function<void(const fs::path& file)> apply;
};

// Flips 8 bytes of the file at places drawn from `seed`.
void flip_bytes(const fs::path& file, unsigned seed) {
  std::vector<char> bytes = bytes_of(file);
  if (bytes.empty()) return;
  std::mt19937 random(seed);
  for (int i = 0; i < 8; ++i) bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
  write_bytes(file, bytes);
}

const std::vector<Damage>& damages() {
  static const std::vector<Damage> list = {
      {"empty", [](const fs::path& f) { fs::resize_file(f, 0); }},
      {"half", [](const fs::path& f) { fs::resize_file(f, fs::file_size(f) / 2); }},
      {"flip 1", [](const fs::path& f) { flip_bytes(f, 1); }},
      {"flip 2", [](const fs::path& f) { flip_bytes(f, 2); }},
      {"flip 3", [](const fs::path& f) { flip_bytes(f, 3); }},
      {"folder", [](const fs::path& f) { fs::remove(f); fs::create_directory(f); }},
      {"fifo", [](const fs::path& f) { fs::remove(f); ::mkfifo(f.c_str(), 0644); }},
  };
  return list;
}

class SaverDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(BW_TEST_TMPDIR) / "damage";
    fs::remove_all(root);
    data = root / "install" / "data";
    fs::create_directories(data);
    // The stores as an installation has them; no plain files beside them.
    for (const auto& entry : fs::directory_iterator(fs::path(BW_BUILD_DATA))) {
      const std::string name = entry.path().filename().string();
      if (entry.is_directory() && name.rfind("Base", 0) == 0) {
        fs::copy(entry.path(), data / name, fs::copy_options::recursive);
        stores.push_back(data / name);
      }
    }
    std::sort(stores.begin(), stores.end());
    fs::create_directories(root / "velmora");
    std::ofstream(root / "velmora" / "Tamsin.conf") << "PATH=" << (root / "install").string()
                                                    << "\n";
  }

  struct Outcome {
    int status = -1;
    bool painted = false;
    std::string err;  // the lines a sound run does not write
  };

  // Paints two small pictures from the damaged copy; fails the test on a crash, a hang, a
  // status that does not match what was painted, or any change to the data.
  Outcome run_case(const std::string& name) {
    SCOPED_TRACE(name);
    const auto before = fingerprint(data);
    const fs::path out = root / "out";
    fs::remove_all(out);
    auto child = testing::start_saver({"--render", out.string(), "--pictures", "2", "--size",
                                       "160x100", "--seed", "7"},
                                      root.string());
    Outcome o;
    o.status = testing::wait_for(child, 120);
    if (o.status < 0) testing::kill_child(child);
    std::istringstream lines(slurp(child.err_file));
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
      EXPECT_TRUE(seen.insert(line).second) << "said twice: " << line;  // one line a problem
      if (sound_lines.count(line) == 0) o.err += line + "\n";
    }
    o.painted = fs::exists(out / "picture-001.png") && fs::exists(out / "picture-002.png");
    // Under the sanitizer build a report may end the run with status 1, like a run that
    // painted nothing: the report itself is the fault.
    for (const char* report : {"runtime error:", "Sanitizer"}) {
      EXPECT_EQ(o.err.find(report), std::string::npos) << "sanitizer report:\n" << o.err;
    }
    EXPECT_GE(o.status, 0) << "still running after 120 s";
    EXPECT_TRUE(o.status == 0 || o.status == 1) << "status " << o.status << ": " << o.err;
    EXPECT_EQ(o.status == 0, o.painted) << "status " << o.status << ": " << o.err;
    EXPECT_EQ(fingerprint(data), before) << "the data changed";
    return o;
  }

  void note(const std::string& name, const Outcome& o) {
    const size_t lines = static_cast<size_t>(std::count(o.err.begin(), o.err.end(), '\n'));
    std::string first = o.err.substr(0, o.err.find('\n'));
    const std::string prefix = data.string() + "/";
    for (size_t at; (at = first.find(prefix)) != std::string::npos;) first.erase(at, prefix.size());
    table << name << " | " << o.status << " | " << (o.painted ? "yes" : "no") << " | " << lines
          << " | " << first << "\n";
  }

  // Whether `err` names the store, or (for a store without its "Main") the data folder.
  bool names(const std::string& err, const fs::path& store) const {
    return err.find(store.string()) != std::string::npos ||
           err.find(data.string() + "\"") != std::string::npos;
  }

  fs::path root, data;
  std::vector<fs::path> stores;
  std::set<std::string> sound_lines;  // what the sound data writes (effects a picture lacks)
  std::ostringstream table;
};

TEST_F(SaverDamage, EveryDamagedFileGivesACleanOutcome) {
  ASSERT_FALSE(stores.empty()) << "no stores under " << BW_BUILD_DATA;
  const Outcome sound = run_case("no damage");
  ASSERT_EQ(sound.status, 0) << sound.err;
  note("no damage", sound);
  std::istringstream sound_err(sound.err);
  for (std::string line; std::getline(sound_err, line);) sound_lines.insert(line);
  for (const fs::path& store : stores) {
    // The store folder left empty first: a store the saver reads is then named; one it
    // never reads (no picture takes form images yet) can be damaged without a word.
    const fs::path aside = root / "aside";
    fs::rename(store, aside);
    fs::create_directory(store);
    const std::string empty_name = store.filename().string() + " folder empty";
    const Outcome emptied = run_case(empty_name);
    note(empty_name, emptied);
    const bool read_by_saver = !emptied.err.empty();
    fs::remove(store);
    fs::rename(aside, store);

    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(store))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      const std::vector<char> original = bytes_of(file);
      const std::string label = store.filename().string() + "/" + file.filename().string();
      for (const Damage& damage : damages()) {
        damage.apply(file);
        const std::string name = label + " " + damage.name;
        const Outcome o = run_case(name);
        note(name, o);
        // Damage that leaves nothing to read is always said, naming the store.
        const std::string kind = damage.name;
        if (read_by_saver && (kind == "empty" || kind == "folder" || kind == "fifo")) {
          EXPECT_TRUE(names(o.err, store)) << name << ": " << o.err;
        }
        fs::remove_all(file);
        write_bytes(file, original);
      }
    }
  }
  std::cout << "case | status | painted | lines | first line\n" << table.str();
}

// Under a screen-saver manager (here --root, as xscreensaver starts a saver), a damaged
// asset store is said once, naming the store, and the saver then keeps the blank window
// until it is ended instead of exiting at once to be started again and again; ended, it
// leaves as a saver that painted does (by the signal that ended it). Alone, the same saver
// ends at once with status 1.
TEST_F(SaverDamage, UnderAManagerADamagedStoreIsSaidOnceAndTheSaverWaits) {
  ASSERT_TRUE(getenv("DISPLAY") != nullptr) << "needs a display";
  const fs::path bank = data / "Base3" / "Bank.0";
  fs::resize_file(bank, 1000);
  auto managed = testing::start_saver({"--root"}, root.string());
  EXPECT_EQ(testing::wait_for(managed, 4), -1) << slurp(managed.err_file);  // still there
  ::kill(managed.pid, SIGTERM);
  EXPECT_EQ(testing::wait_for(managed, 20), 128 + SIGTERM);
  testing::kill_child(managed);  // when it failed to end
  const std::string said = slurp(managed.err_file);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find((data / "Base3").string() + "\" is damaged"), std::string::npos) << said;
  const Outcome alone = run_case("Base3/Bank.0 cut to 1000 bytes");
  EXPECT_EQ(alone.status, 1);
  EXPECT_NE(alone.err.find("is damaged"), std::string::npos) << alone.err;
}

}  // namespace
}  // namespace bw::host
