// Plan layers: colour kinds, forms with and without relief, the image searches, and the
// colours and values a roll draws.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "painter/image_search.h"

namespace bw::painter {
namespace {

using testing::EngineFixture;

std::size_t loads_from(const EngineFixture& f, ImageStore store) {
  std::size_t n = 0;
  for (const auto& load : f.numbered_loads) n += load.first == store;
  return n;
}

TEST(Layer, ColourKindFollowsBgcolorParity) {
  struct Case {
    const char* text;
    bool images;
  };
  for (const Case& c : {Case{"PLANS=2 BGCOLOR=2", false}, Case{"PLANS=2 BGCOLOR=1", true},
                        Case{"PLANS=2 BGCOLOR=3", true}, Case{"PLANS=2 BGCOLOR=-1", true},
                        Case{"PLANS=2 BGCOLOR=0", false}}) {
    EngineFixture f;
    f.add_picture("Test", c.text, 2);
    ASSERT_EQ(f.start(320, 200), StartResult::started) << c.text;
    f.frame();
    EXPECT_EQ(loads_from(f, ImageStore::colour) > 0, c.images) << c.text;
    for (int i = 0; i < 2; ++i) {
      const Layer& layer = *f.state.layers[i];
      if (!c.images) {
        EXPECT_LT(layer.colour_no, 90) << c.text;
      }
      EXPECT_EQ(layer.colour_tex_b->width != 0, c.images) << c.text;
    }
  }
}

TEST(Layer, FormsWithoutReliefStayEmptyButNumbersMove) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BUMP0=0", 1);
  ASSERT_EQ(f.start(320, 200, 7), StartResult::started);
  Layer& layer = *f.state.layers[0];
  int first = layer.form_no;
  f.frame();
  EXPECT_EQ(layer.form_tex_a->width, 0);
  EXPECT_EQ(layer.form_tex_b->width, 0);
  EXPECT_NE(layer.form_no, first);

  EngineFixture g;  // with relief: the form is the canvas drawn into a 1024 x 1024 target
  g.add_picture("Test", "PLANS=1", 1);
  ASSERT_EQ(g.start(320, 200, 7), StartResult::started);
  EXPECT_EQ(g.state.layers[0]->form_tex_a->width, 1024);
  g.trace->clear_calls();
  g.state.layers[0]->pick(g.state, ImageStore::form, 5);
  auto events = g.decode();
  ASSERT_EQ(EngineFixture::briefs(events),
            (std::vector<std::string>{"visual@back", "copy back>L0.form_a"}));
  EXPECT_EQ(events[0].slots, (std::map<int, std::string>{{0, "canvas_a"}, {1, "canvas_a"}}));
  EXPECT_EQ(events[0].param("alpha"), std::vector<float>{0.0f});

  g.state.visual_effect = nullptr;  // relief asked for but nothing to draw it with
  EXPECT_EQ(g.state.layers[0]->pick(g.state, ImageStore::form, 5), 0);
}

TEST(Layer, FormFilterRunsOnTheNewForm) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 FLTRSURF=2.5", 1);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  f.trace->clear_calls();
  f.state.layers[0]->pick(f.state, ImageStore::form, 9);
  auto filters = testing::draws_of(f.decode(), "filter");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].slots.at(0), "L0.form_a");
  EXPECT_EQ(filters[0].slots.at(1), "canvas_a");
  EXPECT_EQ(filters[0].param("alpha"), std::vector<float>{10.0f});
  EXPECT_EQ(filters[0].param("mask"), (std::vector<float>{1, 1, 1, 0}));
  EXPECT_FLOAT_EQ(filters[0].param("delta")[0], 2.5f / 1024.0f);
  EXPECT_EQ(filters[0].param("_pass"), std::vector<float>{0.0f});
  EXPECT_EQ(filters[1].param("_pass"), std::vector<float>{1.0f});
}

TEST(Layer, SearchesStepAwayFromThePreviousNumber) {
  struct Case {
    const char* what;
    int prev, start;
    std::set<int> broken;
    std::vector<int> tried;
  };
  const Case cases[] = {
      {"loads at once", 5, 7, {}, {7}},
      {"upward from above", 5, 7, {7, 8}, {7, 8, 9}},
      {"downward from below, then back to prev", 5, 3, {3, 2, 1, 0}, {3, 2, 1, 0, 5}},
      {"wraps at the top", 5, 118, {118}, {118, 0}},
      {"number 0 is asked for unchanged", 0, 119, {}, {0}},
  };
  for (const Case& c : cases) {
    EngineFixture f;
    f.add_picture("Test", "PLANS=1", 1);
    ASSERT_EQ(f.start(320, 200), StartResult::started);
    Layer& layer = *f.state.layers[0];
    for (int n : c.broken) f.broken.insert({ImageStore::facture, n});
    layer.facture_no = c.prev;
    f.numbered_loads.clear();
    int chosen = layer.pick(f.state, ImageStore::facture, c.start);
    std::vector<int> tried;
    for (const auto& load : f.numbered_loads) tried.push_back(load.second);
    EXPECT_EQ(tried, c.tried) << c.what;
    EXPECT_EQ(chosen, c.tried.back()) << c.what;
    EXPECT_EQ(layer.facture_no, chosen) << c.what;
  }
}

TEST(Layer, SearchWithNothingLoadableEndsWithOneMessage) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=1", 1);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  f.record_counts[ImageStore::colour] = 10;
  for (int n = 0; n <= 793; ++n) f.broken.insert({ImageStore::colour, n});
  f.numbered_loads.clear();
  ::testing::internal::CaptureStderr();
  Layer& layer = *f.state.layers[0];
  layer.colour_no = 700;  // a previous number beyond the store's own count
  layer.pick(f.state, ImageStore::colour, 3);
  layer.pick(f.state, ImageStore::colour, 4);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "no colour image of the colour store loads\n");
  // Two bounded searches of count + 2 attempts each.
  EXPECT_EQ(f.numbered_loads.size(), 2u * 12u);
}

TEST(Layer, SameSeedSameColoursUntilTheirNumbersPart) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3 BGCOLOR=2", 3);
  ASSERT_EQ(f.start(320, 200, 39135), StartResult::started);
  const Layer& first = *f.state.layers[0];
  EXPECT_EQ(first.fg_colour_a, palette_colour(39135 % 90));
  EXPECT_EQ(first.bg_colour_a, palette_colour(78));  // (39135 + 543.23) truncated, mod 90
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(f.state.layers[i]->fg_colour_b, first.fg_colour_a);
    EXPECT_EQ(f.state.layers[i]->bg_colour_b, first.bg_colour_a);
  }
}

TEST(Layer, InitialBackgroundIndexAtTheEdgesOfTheSeed) {
  EXPECT_EQ(initial_background_index(39135), 78);
  EXPECT_EQ(initial_background_index(0xFFFFFFFFu), 542 % 90);        // -1 + 543.23
  EXPECT_EQ(initial_background_index(2147483104u), 2147483647 % 90);  // just fits
  EXPECT_EQ(initial_background_index(0x7FFFFFFFu), 2147483648u % 90);  // out of range
}

TEST(Layer, RollWritesTheCurrentSlotsAndDrawsSixteenValues) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=2", 1);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  Layer& layer = *f.state.layers[0];
  layer.select_side(false);
  layer.facture_no = 0;
  layer.form_no = 7;
  layer.colour_no = 13;
  const Colour fg_before = layer.fg_colour_a;
  const auto anim_before = layer.anim;
  RandomDraw expected = f.state.random;
  layer.roll(f.state);
  EXPECT_EQ(layer.fg_colour_b, (Colour{160 / 256.0f, 10 / 256.0f, 0.0f}));  // 0 x 7 -> entry 0
  EXPECT_EQ(layer.bg_colour_b, palette_colour(91 % 90));
  EXPECT_EQ(layer.fg_colour_a, fg_before);
  EXPECT_EQ(layer.anim_prev, anim_before);
  for (float value : layer.anim) EXPECT_FLOAT_EQ(value, expected.next() / 32767.0f);

  layer.facture_no = 70000;  // the product wraps at 32 bits
  layer.form_no = 70000;
  layer.roll(f.state);
  EXPECT_EQ(layer.fg_colour_b, palette_colour_unsigned(70000u * 70000u));
}

TEST(Palette, EntriesAsFractionsOf256) {
  EXPECT_EQ(palette_colour(0), (Colour{160 / 256.0f, 10 / 256.0f, 0.0f}));
  EXPECT_EQ(palette_colour(44), (Colour{208 / 256.0f, 0.0f, 16 / 256.0f}));
  EXPECT_EQ(palette_colour(89), (Colour{240 / 256.0f, 64 / 256.0f, 48 / 256.0f}));
  EXPECT_EQ(palette_colour_unsigned(90), palette_colour(0));
}

}  // namespace
}  // namespace bw::painter
