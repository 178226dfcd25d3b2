// The effect table against both of its sides: loading fills each row's member from the
// row's file, the passes bind and set on each effect only what its row gives and are told
// when they step outside it, and every effect the pictures ship declares only what its row
// gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "bytecode/effect_source.h"
#include "engine_fixture.h"
#include "painter/effect_draw.h"
#include "painter/effect_table.h"
#include "platform/diagnostics.h"

namespace bw::painter {
namespace {

namespace fs = std::filesystem;
using testing::EngineFixture;

std::vector<device::Shader*> effects_of(const PainterState& s) {
  std::vector<device::Shader*> all(s.formgen_effects.begin(), s.formgen_effects.end());
  for (const EffectRow& row : effect_table()) {
    if (row.member != nullptr) all.push_back(s.*row.member);
  }
  return all;
}

// Gives every effect file of the fixture's picture exactly its row.
void give_each_effect_its_row(EngineFixture& f) {
  for (auto& [path, bytes] : f.files) {
    if (path.ends_with(".bsf")) bytes = testing::test_effect_image(fs::path(path).filename().string());
  }
}

std::vector<std::string> names_of(const device::Shader& effect) {
  std::vector<std::string> names;
  for (const auto& constant : effect.pixel_constants()) names.push_back(constant.name);
  return names;
}

// With every file declaring exactly its row, each member holds the effect of its own file.
TEST(EffectTable, LoadingFillsEachRowsMemberFromItsFile) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3", 3);
  give_each_effect_its_row(f);
  ASSERT_EQ(f.start(64, 40), StartResult::started);
  for (const EffectRow& row : effect_table()) {
    SCOPED_TRACE(row.file);
    std::vector<std::string> want;
    for (const EffectParam& param : row.params) want.emplace_back(param.name);
    if (row.member == nullptr) {
      for (int plan = 0; plan < 3; ++plan) {
        ASSERT_NE(f.state.formgen_effects[static_cast<std::size_t>(plan)], nullptr);
        EXPECT_EQ(names_of(*f.state.formgen_effects[static_cast<std::size_t>(plan)]), want);
      }
      continue;
    }
    ASSERT_NE(f.state.*row.member, nullptr);
    EXPECT_EQ(names_of(*(f.state.*row.member)), want);
  }
}

// Each effect declares exactly its row: the passes set no name outside it (it would stay
// among the effect's unknown parameters) and are never told off for a slot, a name or a
// width over a whole cycle of pictures.
TEST(EffectTable, PassesSetOnlyTheNamesOfEachEffectsRow) {
  for (const char* description :
       {"PLANS=3 BGCOLOR=2 SILHOUETTE=0.5 FLTR1=1 FLTR2=1 FLTRFORM=1 FLTRSURF=1 BUMP1=0.3",
        "PLANS=1 BGCOLOR=1 SILHOUETTE=0.5 FLTR1=2"}) {
    EngineFixture f;
    f.add_picture("Test", description, 3);
    give_each_effect_its_row(f);
    std::vector<std::string> said;
    const diag::Sink previous =
        diag::install_sink([&](const std::string& line) { said.push_back(line); });
    const StartResult started = f.start(64, 40);
    std::vector<testing::Event> events;
    for (int frame = 0; started == StartResult::started && frame < 3; ++frame) {
      auto more = f.frame();
      events.insert(events.end(), more.begin(), more.end());
    }
    diag::install_sink(previous);
    ASSERT_EQ(started, StartResult::started) << description;
    ASSERT_FALSE(testing::draws_of(events, "paint").empty()) << "no picture was painted";
    for (const std::string& line : said) {
      EXPECT_EQ(line.find("a pass"), std::string::npos) << line;
    }
    for (device::Shader* effect : effects_of(f.state)) {
      if (effect == nullptr) continue;
      EXPECT_EQ(effect->unknown_params(), std::vector<std::string>{}) << description;
    }
  }
}

// A pass that binds or sets what its effect's row does not give is told in one line, and
// the effect never sees the step.
TEST(EffectTable, AStepOutsideTheRowIsReported) {
  struct Case {
    const char* what;
    std::function<void(EffectDraw&)> step;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"misspelt name", [](EffectDraw& d) { d.set("alpah", 0.5f); },
       {"effect visual.bsf: a pass sets \"alpah\", which the effect does not have"}},
      {"another effect's name", [](EffectDraw& d) { d.set(param::tile, Vec4{1, 1, 0, 0}); },
       {"effect visual.bsf: a pass sets \"tile\", which the effect does not have"}},
      {"a colour where one float goes", [](EffectDraw& d) { d.set(param::alpha, Colour{1, 1, 1}); },
       {"effect visual.bsf: a pass sets \"alpha\" to 3 floats, but it takes 1"}},
      {"slot past the row", [](EffectDraw& d) { d.texture(2, nullptr); },
       {"effect visual.bsf: a pass binds texture slot 2, but the effect has 2"}},
      {"negative slot", [](EffectDraw& d) { d.texture(-1, nullptr); },
       {"effect visual.bsf: a pass binds texture slot -1, but the effect has 2"}},
      {"the row's own name and slot",
       [](EffectDraw& d) { d.set(param::beta, 0.0f).texture(1, nullptr); },
       {}},
  };
  EngineFixture f;
  f.add_picture("Test", "PLANS=1", 1);
  ASSERT_EQ(f.start(64, 40), StartResult::started);
  // The fixture's effects declare every name of the table, so a name let through would
  // land, and a misspelt one would be remembered as unknown. Start-up left alpha at 0.
  for (const Case& c : cases) {
    std::vector<std::string> said;
    const diag::Sink previous =
        diag::install_sink([&](const std::string& line) { said.push_back(line); });
    EffectDraw draw(f.state, Effect::visual);
    ASSERT_TRUE(draw);
    c.step(draw);
    diag::install_sink(previous);
    EXPECT_EQ(said, c.said) << c.what;
  }
  EXPECT_EQ(f.state.visual_effect->unknown_params(), std::vector<std::string>{});
  // Nor did the names of the table that were refused reach it.
  for (const auto& constant : f.state.visual_effect->pixel_constants()) {
    if (constant.name == "tile" || constant.name == "alpha") {
      EXPECT_EQ(constant.value[0], 0.0f) << constant.name;
    }
  }
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The shipped effect sources: the shared ones under their own file, the plan shapes
// (assembled with their subroutines) as formgen effects.
TEST(EffectTable, ShippedEffectsDeclareOnlyWhatTheirRowGives) {
  const fs::path effects = fs::path(BW_SOURCE_DIR) / "data" / "effects";
  std::vector<std::pair<std::string, std::string>> sources;  // (effect file, source)
  for (const auto& entry : fs::directory_iterator(effects)) {
    if (entry.path().extension() == ".fx") {
      sources.emplace_back(entry.path().stem().string() + ".bsf", read_text(entry.path()));
    }
  }
  const std::string library = read_text(effects / "shapes" / "library.fxi");
  for (const auto& entry : fs::directory_iterator(effects / "shapes")) {
    if (entry.path().extension() == ".fx") {
      sources.emplace_back("formgen.bsf", read_text(entry.path()) + library);
    }
  }
  ASSERT_GE(sources.size(), effect_table().size());
  for (const auto& [file, source] : sources) {
    SCOPED_TRACE(file);
    const EffectRow* row = effect_row(file);
    ASSERT_NE(row, nullptr) << "the engine loads no effect of this name";
    std::string error;
    auto image = bytecode::assemble_effect(source, error);
    ASSERT_TRUE(image) << error;
    for (const auto* table : {&image->vs.constants, &image->ps.constants}) {
      for (const auto& constant : *table) {
        const EffectParam* param = effect_param(*row, constant.name);
        EXPECT_NE(param, nullptr) << "declares " << constant.name << ", which no pass sets";
        EXPECT_LE(constant.last, 3u) << constant.name;
      }
    }
    for (const auto& sampler : image->ps.samplers) {
      bool bound = false;
      for (int slot = 0; slot < row->slots; ++slot) {
        bound = bound || sampler.name == "texSampler" + std::to_string(slot);
      }
      EXPECT_TRUE(bound) << "declares " << sampler.name << ", which no pass binds";
    }
  }
}

// The backticked words of one cell of a Markdown table, "`f1`–`f4`" spelled out.
std::vector<std::string> quoted_in(std::string cell) {
  for (std::size_t at; (at = cell.find("`f1`–`f4`")) != std::string::npos;) {
    cell.replace(at, std::string("`f1`–`f4`").size(), "`f1`, `f2`, `f3`, `f4`");
  }
  std::vector<std::string> words;
  for (std::size_t open = cell.find('`'); open != std::string::npos;) {
    const std::size_t close = cell.find('`', open + 1);
    if (close == std::string::npos) break;
    words.push_back(cell.substr(open + 1, close - open - 1));
    open = cell.find('`', close + 1);
  }
  return words;
}

// The effect table of the picture authors' guide names each effect of the table once and,
// for each, exactly the parameters of its row.
TEST(EffectTable, AuthorsGuideListsEachRowsParameters) {
  std::istringstream guide(read_text(fs::path(BW_SOURCE_DIR) / "data" / "README.md"));
  std::vector<std::string> listed;
  bool in_table = false;
  for (std::string line; std::getline(guide, line);) {
    if (line.starts_with("| effect | slots | parameters |")) in_table = true;
    if (!in_table) continue;
    if (!line.starts_with("| `")) {
      if (!line.starts_with("|")) break;
      continue;
    }
    std::vector<std::string> cells;
    for (std::size_t start = 1, bar; (bar = line.find('|', start)) != std::string::npos;
         start = bar + 1) {
      cells.push_back(line.substr(start, bar - start));
    }
    ASSERT_GE(cells.size(), 3u) << line;
    const std::vector<std::string> files = quoted_in(cells[0]);
    ASSERT_FALSE(files.empty()) << line;
    const EffectRow* row = effect_row(files[0]);
    ASSERT_NE(row, nullptr) << files[0] << " is listed but the engine loads no such effect";
    listed.emplace_back(row->file);
    std::set<std::string> want;
    for (const EffectParam& param : row->params) want.emplace(param.name);
    const std::vector<std::string> names = quoted_in(cells[2]);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), want) << row->file;
  }
  std::vector<std::string> all;
  for (const EffectRow& row : effect_table()) all.emplace_back(row.file);
  std::sort(listed.begin(), listed.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(listed, all);
}

}  // namespace
}  // namespace bw::painter
