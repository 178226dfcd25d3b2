// The first new-picture frame on the trace backend: every pass in order with its effect,
// target and copies, and the slots and parameters the passes hand to their effects.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace bw::painter {
namespace {

using testing::EngineFixture;
using testing::Event;
using testing::draws_of;
using Strings = std::vector<std::string>;
using Slots = std::map<int, std::string>;
using Floats = std::vector<float>;

Strings concat(std::initializer_list<Strings> parts) {
  Strings out;
  for (const Strings& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

const Strings kFactures = {"load facture_2", "deriv@back", "copy back>facture_2",
                           "load facture_4", "deriv@back", "copy back>facture_4"};
const Strings kBackground = {"visual@back", "copy back>work_1024", "background@canvas_a"};
const Strings kOutputs = {"surface_out@back", "copy back>work_b", "color_out@back",
                          "copy back>work_a", "paint@back",       "blend on",
                          "visual@back",      "blend off",        "copy back>final_a",
                          "reveal_plan@reveal_plan", "reveal_fill@back", "copy back>final_a",
                          "reveal@back"};

Strings plan(int i, bool colours) {
  Strings out = {"visual@work_1024", "visual@work_256", "formgen." + std::to_string(i) + "@scratch",
                 "formgen_out@back", "copy back>canvas_a"};
  if (colours) {
    out.push_back("colorgen@back");
    out.push_back("copy back>canvas_b");
  }
  return out;
}

Strings filtered_into(const std::string& texture, int filters) {
  Strings out = {"deriv@back", "copy back>" + texture};
  for (int i = 0; i < 2 * filters; ++i) {
    out.push_back("filter@back");
    out.push_back("copy back>" + texture);
  }
  return out;
}

// The texture an effect keeps bound to texSampler<slot> (bindings persist after a draw).
const device::Texture* bound_to(const device::Shader& effect, int slot) {
  for (const device::ShaderSampler& sampler : effect.pixel_samplers()) {
    if (sampler.name == "texSampler" + std::to_string(slot)) return sampler.texture;
  }
  return nullptr;
}

// Component-wise mix helpers for expectations.
Floats mix4(const float* before, const float* after, float a) {
  Floats out;
  for (int c = 0; c < 4; ++c) out.push_back((1 - a) * before[c] + a * after[c]);
  return out;
}
Floats mix3(const Colour& before, const Colour& after, float a) {
  return {(1 - a) * before[0] + a * after[0], (1 - a) * before[1] + a * after[1],
          (1 - a) * before[2] + a * after[2]};
}

TEST(NewPicture, OnePlanColourImagesSequence) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=1", 1);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  auto events = f.frame();
  const Strings want = concat({
      {"load L0.colour_b", "visual@back", "copy back>L0.form_b", "load L0.facture_b",
       "load plain_2"},
      kFactures,
      kBackground,
      plan(0, false),
      // One plan: the shading goes to the background colour image, filtered once.
      {"deriv@back", "copy back>plain_2", "filter@back", "copy back>plain_2", "filter@back",
       "copy back>plain_2"},
      kOutputs,
  });
  EXPECT_EQ(EngineFixture::briefs(events), want);

  const float p = f.state.progress();
  auto colour = draws_of(events, "color_out");
  ASSERT_EQ(colour.size(), 1u);
  // plain_1 holds no image yet, so its slot shows no texture; the binding itself does.
  EXPECT_EQ(colour[0].slots, (Slots{{0, "work_b"}, {1, "L0.colour_a"}, {2, "L0.colour_b"},
                                    {4, "plain_2"}, {5, "work_a"}, {6, "canvas_a"},
                                    {7, "canvas_a"}}));
  EXPECT_EQ(bound_to(*f.state.color_out_effect, 3), f.state.plain_1);
  EXPECT_EQ(colour[0].param("a"), Floats{p});  // the raw progress with colour images
  const Layer& l0 = *f.state.layers[0];
  EXPECT_EQ(colour[0].param("fg_color"), mix3(l0.fg_colour_a, l0.fg_colour_b, p));
  EXPECT_EQ(colour[0].param("bg_color"), mix3(l0.bg_colour_a, l0.bg_colour_b, p));

  auto filters = draws_of(events, "filter");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].param("alpha"), Floats{50.0f});
  EXPECT_EQ(filters[0].param("mask"), (Floats{0, 0, 0, 1}));
  EXPECT_EQ(filters[0].param("delta"), Floats{1.0f / 4.0f});  // 1 / width of plain_2
  auto shape = draws_of(events, "formgen_out");
  ASSERT_EQ(shape.size(), 1u);
  EXPECT_EQ(shape[0].param("layer"), Floats{0.0f});
  EXPECT_EQ(f.state.last_layer_a, f.state.plain_1);
  EXPECT_EQ(f.state.last_layer_b, f.state.plain_2);
}

TEST(NewPicture, ThreePlansPaletteColoursSequenceAndParameters) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3 BGCOLOR=2 TEX=0.5 BUMP1=0.25 BUMP2=0.75 BLOOR=0.125", 3);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  const auto random16_prev = f.state.random16;
  auto events = f.frame();
  const Strings want = concat({
      {"visual@back", "copy back>L0.form_b", "load L0.facture_b", "visual@back",
       "copy back>L1.form_b", "load L1.facture_b", "visual@back", "copy back>L2.form_b",
       "load L2.facture_b"},
      kFactures,
      kBackground,
      plan(0, true),
      plan(1, true),
      plan(2, true),
      filtered_into("canvas_b", 2),
      kOutputs,
  });
  ASSERT_EQ(EngineFixture::briefs(events), want);

  const float p = f.state.progress();
  const float a = 1.0f - p;  // direction +1: the "b" side
  EXPECT_EQ(f.state.side_flag, 0);
  const Floats half = {0.5f, 0.5f, 0.5f, 0.5f};

  auto background = draws_of(events, "background");
  EXPECT_EQ(background[0].slots, (Slots{{0, "oil"}, {1, "work_1024"}, {2, "L2.form_b"}}));
  EXPECT_EQ(background[0].param("alpha"), Floats{p});
  EXPECT_EQ(background[0].param("atr1"), half);
  EXPECT_EQ(background[0].param("f3"),
            mix4(random16_prev.data() + 8, f.state.random16.data() + 8, a));

  for (int i = 0; i < 3; ++i) {
    const Layer& layer = *f.state.layers[i];
    const float level = i * 0.5f;
    auto shape = draws_of(events, "formgen." + std::to_string(i));
    ASSERT_EQ(shape.size(), 1u);
    EXPECT_EQ(shape[0].slots, (Slots{{0, "work_1024"}, {1, "oil"}, {2, "work_256"}}));
    EXPECT_EQ(shape[0].param("layer"), Floats{level});
    EXPECT_EQ(shape[0].param("f2"), mix4(layer.anim_prev.data() + 4, layer.anim.data() + 4, a));

    auto out = draws_of(events, "formgen_out")[i];
    EXPECT_EQ(out.slots, (Slots{{0, "canvas_a"}, {1, "work_1024"}, {2, "scratch"}, {3, "oil"},
                                {4, "work_a"}, {5, "work_256"}}));
    EXPECT_EQ(out.param("layer"), Floats{level});
    EXPECT_EQ(out.param("alpha"), Floats{0.7f});
    EXPECT_EQ(out.param("dev"), Floats{0.0f});
    EXPECT_EQ(out.param("patr1"), half);

    auto colours = draws_of(events, "colorgen")[i];
    const std::string me = "L" + std::to_string(i);
    // Palette colours: the colour images stay empty and show no texture in their slots.
    EXPECT_EQ(colours.slots, (Slots{{2, "canvas_a"}, {3, "canvas_b"}, {4, "work_256"},
                                    {5, "work_1024"}, {6, "oil"}}));
    EXPECT_EQ(colours.param("fon"), Floats{i == 0 ? 1.0f : 0.0f});
    EXPECT_EQ(colours.param("shift"), (Floats{0.1f, 0.125f, 0.0f, 0.0f}));
    EXPECT_EQ(colours.param("facture"), Floats{0.25f});
    EXPECT_EQ(colours.param("surface"), Floats{0.1f});
    EXPECT_EQ(colours.param("alpha"), Floats{p});
    EXPECT_EQ(colours.param("fg_color"), mix3(layer.fg_colour_b, layer.fg_colour_a, p));
    EXPECT_EQ(colours.param("bg_color"), mix3(layer.bg_colour_b, layer.bg_colour_a, p));
  }

  EXPECT_EQ(bound_to(*f.state.colorgen_effect, 0), f.state.layers[2]->colour_tex_b);
  EXPECT_EQ(bound_to(*f.state.colorgen_effect, 1), f.state.layers[2]->colour_tex_a);

  auto fades = draws_of(events, "visual");
  // Per plan: the form pair into work_1024, the facture pair into work_256 (after the
  // three form picks and the background's own cross-fade).
  ASSERT_GE(fades.size(), 8u);
  EXPECT_EQ(fades[6].target, "work_1024");
  EXPECT_EQ(fades[6].slots, (Slots{{0, "L1.form_a"}, {1, "L1.form_b"}}));
  EXPECT_EQ(fades[7].target, "work_256");
  EXPECT_EQ(fades[7].slots, (Slots{{0, "L1.facture_a"}, {1, "L1.facture_b"}}));
  EXPECT_EQ(fades[7].param("alpha"), Floats{p});

  auto derivs = draws_of(events, "deriv");
  ASSERT_EQ(derivs.size(), 3u);
  EXPECT_EQ(derivs[0].slots, (Slots{{0, "facture_2"}, {1, "facture_2"}}));
  EXPECT_EQ(derivs[0].param("s"), Floats{-0.0016f});
  EXPECT_EQ(derivs[2].slots, (Slots{{0, "canvas_a"}, {1, "canvas_b"}}));
  EXPECT_EQ(derivs[2].param("s"), Floats{0.0016f});
  EXPECT_EQ(derivs[2].param("m"), Floats{7.0f});
  auto filters = draws_of(events, "filter");
  EXPECT_EQ(filters[0].param("alpha"), Floats{300.0f});
  EXPECT_EQ(filters[0].param("delta"), Floats{5.0f / 320.0f});
  EXPECT_EQ(filters[0].param("scale"), Floats{1.0f});
  EXPECT_EQ(filters[2].param("alpha"), Floats{100.0f});
  EXPECT_EQ(filters[2].param("delta"), Floats{1.0f / 320.0f});

  auto surface = draws_of(events, "surface_out")[0];
  EXPECT_EQ(surface.slots, (Slots{{0, "canvas_a"}, {1, "canvas_a"}, {2, "work_b"}, {3, "oil"},
                                  {4, "facture_2"}, {5, "facture_1"}, {6, "facture_4"},
                                  {7, "facture_3"}}));
  EXPECT_EQ(surface.param("alpha"), Floats{a});
  EXPECT_EQ(surface.param("bump1"), Floats{0.25f});
  EXPECT_EQ(surface.param("bump2"), Floats{0.75f});

  auto colour = draws_of(events, "color_out")[0];
  EXPECT_EQ(colour.slots.at(1), "canvas_b");
  EXPECT_EQ(colour.slots.at(2), "canvas_b");
  EXPECT_EQ(bound_to(*f.state.color_out_effect, 3), f.state.layers[2]->colour_tex_a);
  EXPECT_EQ(colour.param("a"), Floats{a});
  EXPECT_EQ(colour.param("shift"), (Floats{0.2f, 0, 0, 0}));  // DIST's default
  EXPECT_EQ(colour.param("bump"), Floats{0.1f});
  EXPECT_EQ(colour.param("surface"), Floats{0.0f});

  auto paint = draws_of(events, "paint")[0];
  EXPECT_EQ(paint.slots, (Slots{{0, "work_a"}, {1, "work_b"}, {2, "canvas_a"}, {3, "canvas_a"},
                                {4, "oil"}}));
  EXPECT_EQ(paint.param("param"),
            (Floats{f.state.wave[0], f.state.wave[1], 0.0f, 0.55f}));  // 0.7 - 0.3 x TEX
  EXPECT_EQ(paint.param("gamma"), Floats{0.5f});
  EXPECT_EQ(paint.param("beta"), Floats{0.3f});
  EXPECT_EQ(paint.param("time"), Floats{a});
  const float hx = 0.5f / 320.0f;
  const float hy = 0.5f / 200.0f;
  // Mirrored: the texture's first row (v = 0) at the bottom.
  EXPECT_FLOAT_EQ(paint.vertices[1], -1.0f + hy);
  EXPECT_FLOAT_EQ(paint.vertices[3], 0.0f);

  auto signature = draws_of(events, "visual").back();
  EXPECT_EQ(signature.slots, (Slots{{0, "sig3"}, {1, "sig3"}}));
  EXPECT_FLOAT_EQ(signature.vertices[0], 0.6f - hx);   // left
  EXPECT_FLOAT_EQ(signature.vertices[8], 1.0f - hx);   // right
  EXPECT_FLOAT_EQ(signature.vertices[1], -0.8f + hy);  // top
  EXPECT_FLOAT_EQ(signature.vertices[5], -1.0f + hy);  // bottom

  auto display = events.back();
  // The first painting is painted over the canvas.
  EXPECT_EQ(display.slots, (Slots{{0, "oil"}, {1, "final_a"}}));
  EXPECT_NEAR(display.param("alpha")[0], reveal_time_for(p), 1e-5f);
}

TEST(NewPicture, ShadingTargetFollowsBgcolorAndPlans) {
  struct Case {
    const char* text;
    Strings shading;
  };
  const Case cases[] = {
      {"PLANS=1 BGCOLOR=2", filtered_into("canvas_b", 2)},
      {"PLANS=3 BGCOLOR=1", filtered_into("L2.colour_b", 1)},
  };
  for (const Case& c : cases) {
    EngineFixture f;
    f.add_picture("Test", c.text, 3);
    ASSERT_EQ(f.start(320, 200), StartResult::started);
    Strings briefs = EngineFixture::briefs(f.frame());
    auto at = std::search(briefs.begin(), briefs.end(), c.shading.begin(), c.shading.end());
    EXPECT_NE(at, briefs.end()) << c.text;
    EXPECT_EQ(std::string(*(at + c.shading.size())), "surface_out@back") << c.text;
  }
}

TEST(NewPicture, OptionalStepsRunOnlyWhenAskedFor) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=2 SILHOUETTE=2 FLTR1=1 FLTR2=0.5 FLTRFORM=2", 1);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  auto events = f.frame();
  auto silhouette = draws_of(events, "silhouette");
  ASSERT_EQ(silhouette.size(), 1u);
  EXPECT_EQ(silhouette[0].slots, (Slots{{0, "scratch"}}));
  EXPECT_EQ(silhouette[0].param("s"), Floats{2.0f});
  auto filters = draws_of(events, "filter");
  // Shape: two filters of two draws; canvas_b: two; after the composition: one.
  ASSERT_EQ(filters.size(), 10u);
  EXPECT_EQ(filters[0].slots.at(0), "scratch");
  EXPECT_EQ(filters[0].param("alpha"), Floats{16.0f});
  EXPECT_EQ(filters[0].param("delta"), Floats{1.0f / 2048.0f});
  EXPECT_EQ(filters[2].param("mask"), (Floats{1, 1, 0, 1}));
  EXPECT_EQ(filters[2].param("delta"), Floats{0.5f / 2048.0f});
  EXPECT_EQ(filters[8].slots.at(0), "canvas_a");
  EXPECT_EQ(filters[8].param("alpha"), Floats{10.0f});
  EXPECT_EQ(filters[8].param("delta"), Floats{3.0f / 320.0f});
  EXPECT_EQ(filters[8].param("mask"), (Floats{1, 1, 1, 1}));
}

TEST(NewPicture, MissingEffectsSkipTheirSteps) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=2 BGCOLOR=2", 0);  // no shape effects at all
  f.files.erase("data/shaders/colorgen.bsf");
  f.files.erase("data/shaders/filter.bsf");
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  Strings briefs = EngineFixture::briefs(f.frame());
  for (const std::string& brief : briefs) {
    EXPECT_EQ(brief.find("formgen."), std::string::npos) << brief;
    EXPECT_EQ(brief.find("colorgen"), std::string::npos) << brief;
    EXPECT_EQ(brief.find("filter"), std::string::npos) << brief;
  }
  EXPECT_EQ(briefs.back(), "reveal@back");
  EXPECT_EQ(f.state.pictures_built, 1);
}

}  // namespace
}  // namespace bw::painter
