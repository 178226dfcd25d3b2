// Engine start-up on the trace backend: target sizing, the targets and textures it makes,
// the first factures, the effect set with its fallbacks, and the random draws it takes.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_fixture.h"
#include "platform/diagnostics.h"
#include "painter/image_search.h"

namespace bw::painter {
namespace {

using testing::EngineFixture;

TEST(StartUp, TargetSizingTable) {
  struct Case {
    int width, height;
    std::uint32_t max_texture;
    unsigned memory_mb;
    int want_width, want_height;
  };
  const Case cases[] = {
      {2560, 1600, 2048, 0, 2048, 1600},    // texture limit only
      {1600, 1200, 4096, 0, 1600, 1200},    // unknown memory: no memory rule
      {1600, 1200, 4096, 58, 1024, 1024},   // needs 59 MB
      {1600, 1200, 4096, 59, 1600, 1200},
      {2560, 1600, 2048, 60, 1024, 1024},   // the limit first, then memory (91 MB)
      {1024, 1024, 512, 0, 512, 512},       // preview size under a small limit
      {1280, 800, 4096, 1, 1024, 800},      // only sides above 1024 shrink
      {16384, 16384, 16384, 100, 1024, 1024},  // no overflow in the need
  };
  for (const Case& c : cases) {
    TargetSize got = size_targets(c.width, c.height, c.max_texture, c.memory_mb);
    EXPECT_EQ(got.width, c.want_width) << c.width << "x" << c.height << " " << c.memory_mb;
    EXPECT_EQ(got.height, c.want_height) << c.width << "x" << c.height << " " << c.memory_mb;
  }
}

TEST(StartUp, MakesEveryTargetAtItsSizeAndTellsTheDevice) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1", 1);
  f.max_texture = 2048;
  ASSERT_EQ(f.start(2560, 1600), StartResult::started);
  EXPECT_EQ(f.state.target_width, 2048);
  EXPECT_EQ(f.state.target_height, 1600);
  EXPECT_EQ(f.state.device->full_target_width(), 2048);
  EXPECT_EQ(f.state.device->full_target_height(), 1600);

  // Render targets in creation order, then the loaded images; filter 0, address 1.
  std::vector<std::string> created = f.trace->texts_of("create_texture");
  ASSERT_GE(created.size(), 8u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(created[i], "create_texture(2048, 1600)");
  EXPECT_EQ(created[6], "create_texture(1024, 1024)");
  EXPECT_EQ(created[7], "create_texture(256, 256)");
  for (device::Texture* t : {f.state.canvas_a, f.state.final_b, f.state.work_256}) {
    EXPECT_EQ(t->filter(), device::kFilterModePoint);
    EXPECT_EQ(t->address(), device::kAddressModeClamp);
  }
  EXPECT_NE(f.state.oil_texture->width, 0);
  EXPECT_NE(f.state.sig3_texture->width, 0);
  EXPECT_EQ(f.state.plain_1->width, 0);
  EXPECT_EQ(f.state.plain_2->width, 0);
  EXPECT_EQ(f.state.facture_cur, f.state.facture_1);
  EXPECT_EQ(f.state.facture2_other, f.state.facture_4);
  EXPECT_EQ(f.state.last_layer_a, f.state.plain_1);
  EXPECT_EQ(f.state.first_layer_b, f.state.layers[0]->colour_tex_b);
}

TEST(StartUp, MemoryRuleUsesWhatTheDeviceReports) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1", 1);
  f.video_memory = 32;
  ASSERT_EQ(f.start(1600, 1200), StartResult::started);
  EXPECT_EQ(f.state.target_width, 1024);
  EXPECT_EQ(f.state.target_height, 1024);

  EngineFixture g;  // the platform seam wins over the device
  g.add_picture("Test", "PLANS=1", 1);
  g.video_memory = 32;
  g.state.video_memory_mb = [] { return 0u; };
  ASSERT_EQ(g.start(1600, 1200), StartResult::started);
  EXPECT_EQ(g.state.target_width, 1600);
}

TEST(StartUp, AllFourFacturesHoldTheFirstLoadableImage) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1", 1);
  f.broken = {{ImageStore::facture, 1}};
  ASSERT_EQ(f.start(640, 480), StartResult::started);
  std::vector<std::pair<ImageStore, int>> want;
  for (int i = 0; i < 4; ++i) {
    want.emplace_back(ImageStore::facture, 1);
    want.emplace_back(ImageStore::facture, 2);
  }
  ASSERT_GE(f.numbered_loads.size(), want.size());
  const std::vector<std::pair<ImageStore, int>> first(f.numbered_loads.begin(),
                                                       f.numbered_loads.begin() + 8);
  EXPECT_EQ(first, want);
  for (device::Texture* t : {f.state.facture_1, f.state.facture_2, f.state.facture_3,
                             f.state.facture_4}) {
    EXPECT_NE(t->width, 0);
  }
}

TEST(StartUp, NoLoadableFactureEndsTheSearchAfterOnePass) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=2", 1);
  f.store_missing = true;
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(f.start(640, 480), StartResult::started);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors, "no facture image of the facture store loads\n");
  // Numbers 1 .. 118 and then 0, once per facture texture, then the layer's own search.
  std::size_t facture_searches = 0;
  for (const auto& [store, number] : f.numbered_loads) facture_searches += store == ImageStore::facture;
  EXPECT_EQ(facture_searches, 4u * 119u + detail::search_limit(118));
  EXPECT_EQ(f.state.facture_1->width, 0);
  // The engine still paints frames.
  f.frame();
  EXPECT_EQ(f.state.pictures_built, 1);
}

TEST(StartUp, MissingDescriptionOrDeviceStopsTheStart) {
  EngineFixture f;  // no files at all
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(f.start(640, 480), StartResult::no_description);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("data/shaders/Test/Test.hdr"),
            std::string::npos);

  EngineFixture g;
  g.add_picture("Test", "PLANS=1", 1);
  g.runtime_present = false;
  EXPECT_EQ(g.start(640, 480), StartResult::no_device);
  EXPECT_EQ(g.state.canvas_a, nullptr);
  EXPECT_FALSE(g.state.description);
  EXPECT_TRUE(g.fetched.empty());
}

TEST(StartUp, FormgenPerPlanFallsBackToTheNeighbourOrThePictureOnly) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3", 0);
  const auto effect = testing::test_effect_image();
  f.files["data/shaders/Test/formgen.0.bsf"] = effect;
  f.files["data/shaders/Test/formgen.2.bsf"] = effect;
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  const auto& slots = f.state.formgen_effects;
  ASSERT_NE(slots[0], nullptr);
  EXPECT_EQ(slots[1], slots[0]);
  ASSERT_NE(slots[2], nullptr);
  EXPECT_NE(slots[2], slots[0]);
  EXPECT_EQ(slots[3], nullptr);
  EXPECT_EQ(f.state.layers[1]->formgen, slots[0]);

  EngineFixture g;  // no numbered file for plan 0: the picture's formgen.bsf, never shared
  g.add_picture("Test", "PLANS=2", 0);
  g.files["data/shaders/formgen.bsf"] = effect;
  ASSERT_EQ(g.start(320, 200), StartResult::started);
  EXPECT_EQ(g.state.formgen_effects[0], nullptr);
  EXPECT_EQ(g.state.formgen_effects[1], nullptr);
  const auto& asked = g.fetched;
  EXPECT_NE(std::find(asked.begin(), asked.end(), "data/shaders/Test/formgen.bsf"), asked.end());
  EXPECT_EQ(std::find(asked.begin(), asked.end(), "data/shaders/formgen.bsf"), asked.end());
  g.files["data/shaders/Test/formgen.bsf"] = effect;
  load_shader_set(g.state);
  EXPECT_NE(g.state.formgen_effects[0], nullptr);
  EXPECT_EQ(g.state.formgen_effects[1], g.state.formgen_effects[0]);
}

TEST(StartUp, EffectsComeFromThePictureFolderThenTheSharedOne) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1", 1);
  f.files["data/shaders/Test/paint.bsf"] = testing::test_effect_image();
  f.files["data/shaders/Test/deriv.bsf"] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'e'};
  f.files.erase("data/shaders/silhouette.bsf");
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  auto asked = [&](const std::string& path) {
    return std::find(f.fetched.begin(), f.fetched.end(), path) - f.fetched.begin();
  };
  // Own file found: the shared one is not asked for.
  EXPECT_LT(asked("data/shaders/Test/paint.bsf"), static_cast<long>(f.fetched.size()));
  EXPECT_EQ(asked("data/shaders/paint.bsf"), static_cast<long>(f.fetched.size()));
  // Missing or damaged in the picture folder: the shared file, asked for afterwards.
  EXPECT_LT(asked("data/shaders/Test/visual.bsf"), asked("data/shaders/visual.bsf"));
  EXPECT_NE(f.state.visual_effect, nullptr);
  EXPECT_NE(f.state.deriv_effect, nullptr);
  EXPECT_LT(asked("data/shaders/Test/deriv.bsf"), asked("data/shaders/deriv.bsf"));
  EXPECT_EQ(f.state.silhouette_effect, nullptr);
  EXPECT_NE(f.state.color_effect, nullptr);
  // Failed loads leave no Shader behind: the set, one per slot, and nothing more.
  EXPECT_EQ(f.state.device->shaders().size(), 14u);
}

// An effect the picture lacks and the shared folder has is no news; only one that neither
// place has is reported, each place once. Without a probe (--verbose) every miss is.
TEST(StartUp, MissesAreReportedOnlyWhenNeitherPlaceHasTheEffect) {
  using Paths = std::vector<std::string>;
  struct Case {
    const char* name;
    bool probe;
    std::vector<std::string> shared_missing;
    Paths reported;
  } cases[] = {
      {"all shared", true, {}, {}},
      {"one in neither place",
       true,
       {"silhouette.bsf"},
       {"data/shaders/Test/silhouette.bsf", "data/shaders/silhouette.bsf"}},
      {"every miss", false, {}, {}},
  };
  for (const Case& c : cases) {
    EngineFixture f;
    f.add_picture("Test", "PLANS=2", 1);  // plan 1 shares plan 0's shape effect
    for (const auto& file : c.shared_missing) f.files.erase("data/shaders/" + file);
    if (!c.probe) f.state.probe = nullptr;
    ASSERT_EQ(f.start(320, 200), StartResult::started) << c.name;
    if (c.probe) {
      EXPECT_EQ(f.reported, c.reported) << c.name;
      continue;
    }
    // Every own effect the picture lacks, and plan 1's shape effect.
    Paths expected{"data/shaders/Test/formgen.1.bsf"};
    for (const auto& file : testing::kSharedEffects)
      expected.push_back("data/shaders/Test/" + file);
    Paths reported = f.reported;
    std::sort(expected.begin(), expected.end());
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, expected) << c.name;
  }

  EngineFixture g;  // the first plan's shape effect in neither of its two places
  g.add_picture("Test", "PLANS=2", 0);
  ASSERT_EQ(g.start(320, 200), StartResult::started);
  EXPECT_EQ(g.reported, (Paths{"data/shaders/Test/formgen.0.bsf", "data/shaders/Test/formgen.bsf"}));
}

// Asked to tell (--verbose), the start says in plain words which effects came from the
// shared folder and which plans share a shape effect, and still reports no miss.
TEST(StartUp, TellsWhichEffectsComeFromTheSharedFolder) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=2", 1);  // plan 1 shares plan 0's shape effect
  f.state.tell_shared_effects = true;
  std::vector<std::string> said;
  const diag::Sink previous = diag::install_sink([&](const std::string& line) { said.push_back(line); });
  const StartResult result = f.start(320, 200);
  diag::install_sink(previous);
  ASSERT_EQ(result, StartResult::started);
  EXPECT_TRUE(f.reported.empty());
  const std::vector<std::string> expected_part = {
      "effect paint.bsf: the shared copy from \"data/shaders/paint.bsf\"",
      "effect formgen.1.bsf: none of its own; plan 1 shares the shape effect of plan 0",
  };
  for (const auto& line : expected_part)
    EXPECT_NE(std::find(said.begin(), said.end(), line), said.end()) << line;
  EXPECT_EQ(said.size(), testing::kSharedEffects.size() + 1);
  for (const auto& line : said) EXPECT_EQ(line.find("::"), std::string::npos) << line;
}

TEST(StartUp, RandomDrawsTakenInOrder) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3 BGCOLOR=2", 3);
  ASSERT_EQ(f.start(320, 200, 4242), StartResult::started);
  RandomDraw expected;
  expected.seed(4242);
  std::vector<int> draws;
  for (int i = 0; i < 3 * 35; ++i) draws.push_back(expected.next());
  EXPECT_EQ(f.state.random.state(), expected.state()) << "35 draws per layer";
  EXPECT_EQ(f.state.layer_seed, 4242u);
  for (int layer = 0; layer < 3; ++layer) {
    const Layer& l = *f.state.layers[layer];
    const int base = layer * 35;
    for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(l.anim[k], draws[base + k] / 32767.0f);
    EXPECT_EQ(l.colour_no, (draws[base + 32] + 1) % 90);         // palette pick
    EXPECT_EQ(l.form_no, (draws[base + 33] + 1) % 222);          // form pick
    EXPECT_EQ(l.facture_no, (draws[base + 34] + 1) % 119);       // facture pick
  }
}

}  // namespace
}  // namespace bw::painter
