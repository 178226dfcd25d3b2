// The effect table against both of its sides: the passes set on each effect only names of
// its row, and every effect the pictures ship declares only what its row gives it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bytecode/effect_source.h"
#include "engine_fixture.h"
#include "painter/effect_table.h"

namespace bw::painter {
namespace {

namespace fs = std::filesystem;
using testing::EngineFixture;

std::vector<device::Shader*> effects_of(const PainterState& s) {
  std::vector<device::Shader*> all(s.formgen_effects.begin(), s.formgen_effects.end());
  for (device::Shader* e : {s.paint_effect, s.formgen_out_effect, s.background_effect,
                            s.filter_effect, s.color_effect, s.visual_effect,
                            s.color_out_effect, s.surface_out_effect, s.colorgen_effect,
                            s.silhouette_effect, s.deriv_effect}) {
    all.push_back(e);
  }
  return all;
}

// Each effect declares exactly its row; a pass that sets a name its effect's row lacks
// leaves that name among the effect's unknown parameters.
TEST(EffectTable, PassesSetOnlyTheNamesOfEachEffectsRow) {
  for (const char* description :
       {"PLANS=3 BGCOLOR=2 SILHOUETTE=0.5 FLTR1=1 FLTR2=1 FLTRFORM=1 FLTRSURF=1 BUMP1=0.3",
        "PLANS=1 BGCOLOR=1 SILHOUETTE=0.5 FLTR1=2"}) {
    EngineFixture f;
    f.add_picture("Test", description, 3);
    for (auto& [path, bytes] : f.files) {
      if (path.ends_with(".bsf")) bytes = testing::test_effect_image(fs::path(path).filename().string());
    }
    ASSERT_EQ(f.start(64, 40), StartResult::started) << description;
    std::vector<testing::Event> events;
    for (int frame = 0; frame < 3; ++frame) {
      auto more = f.frame();
      events.insert(events.end(), more.begin(), more.end());
    }
    ASSERT_FALSE(testing::draws_of(events, "paint").empty()) << "no picture was painted";
    for (device::Shader* effect : effects_of(f.state)) {
      if (effect == nullptr) continue;
      EXPECT_EQ(effect->unknown_params(), std::vector<std::string>{}) << description;
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

}  // namespace
}  // namespace bw::painter
