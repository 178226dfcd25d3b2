// The picture cycle through draw_frame: one quad per held frame, alternating captures,
// the first picture's hold, time that keeps running, and identical runs from one seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "engine_fixture.h"
#include "painter/held_frame.h"

namespace bw::painter {
namespace {

using testing::EngineFixture;
using testing::draws_of;

TEST(Cycle, HeldFramesDrawOnlyTheDisplay) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=2", 2);
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  f.frame();
  for (int frame = 2; frame <= 43; ++frame) {
    auto events = f.frame();
    ASSERT_EQ(EngineFixture::briefs(events), std::vector<std::string>{"reveal@back"})
        << "frame " << frame;
    // The first picture, in final_a, is revealed as progress rises.
    EXPECT_NEAR(events[0].param("alpha")[0], reveal_time_for(f.state.progress()), 1e-5f);
  }
  EXPECT_EQ(f.state.pictures_built, 1);
  float held = f.state.progress();
  f.frame();  // frame 44: the reveal moves again
  EXPECT_NE(f.state.progress(), held);
}

// The first painting is painted over the oil canvas from progress 0; every later one over
// the painting before it, as far as the cycle's reveal has come; each capture gets its plan
// from the cycle's random values.
TEST(Cycle, TheNewestPaintingIsPaintedOverTheLastOrTheCanvas) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=2", 2);
  f.state.delay = 0.0f;
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  auto events = f.frame();
  auto plans = draws_of(events, "reveal_plan");
  ASSERT_EQ(plans.size(), 1u);
  auto fills = draws_of(events, "reveal_fill");
  ASSERT_EQ(fills.size(), 1u);
  const auto& r = f.state.random16;
  EXPECT_EQ(plans[0].param("seed"), (std::vector<float>{r[0], r[5], r[10], r[15]}));
  EXPECT_EQ(plans[0].slots.at(0), "final_a");
  // The plan is drawn at half the width and height, then filled at full size into the
  // painting's alpha, read from its target with filtering.
  EXPECT_EQ(plans[0].target, "reveal_plan");
  EXPECT_EQ(fills[0].target, "back");
  EXPECT_EQ(fills[0].slots.at(0), "final_a");
  EXPECT_EQ(fills[0].slots.at(1), "reveal_plan");
  const device::Texture* plan_target = f.state.reveal_plan_target;
  ASSERT_NE(plan_target, nullptr);
  EXPECT_EQ(plan_target->width, 160);
  EXPECT_EQ(plan_target->height, 100);
  EXPECT_EQ(plan_target->filter(), device::kFilterModeSmooth);
  auto shown = draws_of(events, "reveal");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].slots.at(0), "oil");
  EXPECT_EQ(shown[0].slots.at(1), "final_a");
  EXPECT_NEAR(shown[0].param("alpha")[0], reveal_time_for(f.state.progress()), 1e-5f);
  EXPECT_LT(f.state.progress(), 0.001f);
  const float canvas_width = static_cast<float>(f.state.oil_texture->width);
  ASSERT_GT(canvas_width, 0.0f);
  EXPECT_FLOAT_EQ(shown[0].param("tile")[0], 320.0f / canvas_width);

  const auto first_seed = plans[0].param("seed");
  for (int frame = 0; frame < 2000 && f.state.pictures_built < 2; ++frame) events = f.frame();
  ASSERT_EQ(f.state.pictures_built, 2);
  plans = draws_of(events, "reveal_plan");
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_EQ(plans[0].slots.at(0), "final_b");
  fills = draws_of(events, "reveal_fill");
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].slots.at(0), "final_b");
  EXPECT_NE(plans[0].param("seed"), first_seed);
  events = f.frame();
  events = f.frame();
  shown = draws_of(events, "reveal");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].slots.at(0), "final_a");
  EXPECT_EQ(shown[0].slots.at(1), "final_b");
  // final_b is second: its reveal is the display weight, 1 - progress.
  EXPECT_NEAR(shown[0].param("alpha")[0], reveal_time_for(1.0f - f.state.progress()), 1e-5f);
  EXPECT_EQ(shown[0].param("tile"), (std::vector<float>{1, 1, 0, 0}));
}

// With several pictures to choose from, every painting after the first paints one of them,
// drawn from the engine's random sequence, with its own plans and shapes.
TEST(Cycle, EachPaintingDrawsItsPictureFromTheChoices) {
  auto run = [](std::uint32_t seed) {
    EngineFixture f;
    f.add_picture("One", "PLANS=1 BGCOLOR=2", 1);
    f.add_picture("Four", "PLANS=4", 4);
    f.state.picture_name = "One";
    f.state.picture_choices = {"One", "Four"};
    f.state.delay = 0.0f;
    f.state.speed = 400.0f;
    EXPECT_EQ(f.start(320, 200, seed), StartResult::started);
    std::vector<std::string> painted;
    for (int frame = 0; frame < 5000 && f.state.pictures_built < 10; ++frame) {
      const int built = f.state.pictures_built;
      const auto events = f.frame();
      if (f.state.pictures_built == built) continue;
      painted.push_back(f.state.description->name);
      std::set<std::string> shapes;
      for (const testing::Event& event : events)
        if (event.effect.starts_with("formgen.")) shapes.insert(event.effect);
      EXPECT_EQ(shapes.size(), std::size_t(f.state.plans())) << painted.back();
    }
    return painted;
  };
  const auto painted = run(3);
  ASSERT_EQ(painted.size(), 10u);
  EXPECT_EQ(painted[0], "One");
  EXPECT_NE(std::find(painted.begin(), painted.end(), "Four"), painted.end());
  EXPECT_NE(std::find(painted.begin() + 1, painted.end(), "One"), painted.end());
  EXPECT_EQ(run(3), painted);
}

TEST(Cycle, CapturesAlternateAndTheRandomSequenceAdvancesPerPicture) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=3 BGCOLOR=2", 3);
  f.state.delay = 0.0f;
  ASSERT_EQ(f.start(320, 200), StartResult::started);
  std::vector<std::string> captures;
  std::vector<float> times;
  while (f.state.pictures_built < 4) {
    std::uint32_t before = f.state.random.state();
    int built = f.state.pictures_built;
    auto events = f.frame();
    if (f.state.pictures_built == built) {
      EXPECT_EQ(f.state.random.state(), before) << "no draws between pictures";
      continue;
    }
    RandomDraw expected;
    expected.seed(before);
    for (int i = 0; i < 16 + 3 * 3 + 2 + 16 * 3; ++i) expected.next();
    EXPECT_EQ(f.state.random.state(), expected.state());
    // The capture, then the same target again with its reveal's plan.
    std::vector<std::string> copies;
    for (const auto& event : events) {
      if (event.kind == testing::Event::copy && event.destination.rfind("final_", 0) == 0) {
        copies.push_back(event.destination);
      }
    }
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0], copies[1]);
    captures.push_back(copies[0]);
    times.push_back(draws_of(events, "formgen_out")[0].param("time")[0]);
  }
  EXPECT_EQ(captures, (std::vector<std::string>{"final_a", "final_b", "final_a", "final_b"}));
  for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]);
}

TEST(Cycle, OnePlanPicturesChooseABackgroundEachTime) {
  EngineFixture f;
  f.add_picture("Test", "PLANS=1 BGCOLOR=2", 1);
  f.state.delay = 0.0f;
  ASSERT_EQ(f.start(320, 200, 99), StartResult::started);
  std::vector<int> chosen;
  while (f.state.pictures_built < 3) {
    int built = f.state.pictures_built;
    RandomDraw replay = f.state.random;
    f.frame();
    if (f.state.pictures_built == built) continue;
    for (int i = 0; i < 16 + 3; ++i) replay.next();
    chosen.push_back((replay.next() + 1) % 90);  // the draw after the picks
    EXPECT_EQ(f.state.background_index, chosen.back());
  }
  EXPECT_EQ(f.state.plain_cur == f.state.plain_1, f.state.side_flag == 1);
}

TEST(Cycle, SameSeedAndClockPaintTheSameFrames) {
  auto run = [](std::uint32_t seed) {
    EngineFixture f;
    f.add_picture("Test", "PLANS=3 BGCOLOR=1", 3);
    f.state.delay = 0.5f;
    EXPECT_EQ(f.start(320, 200, seed), StartResult::started);
    std::vector<std::string> texts;
    for (int frame = 0; frame < 600; ++frame) {
      f.trace->clear_calls();
      draw_frame(f.state);
      for (const std::string& text : f.trace->texts()) texts.push_back(text);
    }
    EXPECT_GE(f.state.pictures_built, 2);
    return texts;
  };
  auto first = run(2024);
  EXPECT_EQ(first, run(2024));
  EXPECT_NE(first, run(2025));
}

TEST(Cycle, SkippingHeldFramesKeepsTheCycleInStep) {
  EngineFixture drawn, skipped;
  for (EngineFixture* f : {&drawn, &skipped}) {
    f->add_picture("Test", "PLANS=2", 2);
    ASSERT_EQ(f->start(320, 200, 5), StartResult::started);
  }
  int skips = 0;
  for (int frame = 0; frame < 1000; ++frame) {
    draw_frame(drawn.state);
    if (frame_is_held(skipped.state)) {
      skip_undrawn_frame(skipped.state);
      ++skips;
    } else {
      draw_frame(skipped.state);
    }
    const FrameTiming& a = drawn.state.timing;
    const FrameTiming& b = skipped.state.timing;
    ASSERT_EQ(a.phase, b.phase) << "frame " << frame;
    ASSERT_EQ(a.hold_frames, b.hold_frames) << "frame " << frame;
    ASSERT_EQ(a.frame_rate, b.frame_rate) << "frame " << frame;
    ASSERT_EQ(drawn.state.wave, skipped.state.wave) << "frame " << frame;
    ASSERT_EQ(drawn.state.random.state(), skipped.state.random.state()) << "frame " << frame;
  }
  EXPECT_GE(skips, 42 + 400);  // the first hold and most of the second
  EXPECT_EQ(drawn.state.pictures_built, skipped.state.pictures_built);
}

// Headless rendering draws only the frames that build a picture: they must be foretold
// exactly, and the pictures built in between skipped frames must be drawn call for call
// as in a run that draws every frame.
TEST(Cycle, OnlyPictureFramesDrawnBuildTheSamePictures) {
  EngineFixture every, pictures_only;
  for (EngineFixture* f : {&every, &pictures_only}) {
    f->add_picture("Test", "PLANS=3 BGCOLOR=1", 3);
    f->state.delay = 1.0f;
    ASSERT_EQ(f->start(320, 200, 77), StartResult::started);
  }
  int drawn = 0;
  for (int frame = 0; frame < 1200; ++frame) {
    const int built = every.state.pictures_built;
    const bool foretold = frame_builds_picture(every.state);
    every.trace->clear_calls();
    draw_frame(every.state);
    ASSERT_EQ(foretold, every.state.pictures_built == built + 1) << "frame " << frame;
    ASSERT_EQ(frame_builds_picture(pictures_only.state), foretold) << "frame " << frame;
    if (!foretold) {
      skip_undrawn_frame(pictures_only.state);
    } else {
      pictures_only.trace->clear_calls();
      draw_frame(pictures_only.state);
      ++drawn;
      ASSERT_EQ(every.trace->texts(), pictures_only.trace->texts()) << "frame " << frame;
    }
    ASSERT_EQ(every.state.timing.phase, pictures_only.state.timing.phase) << "frame " << frame;
    ASSERT_EQ(every.state.wave, pictures_only.state.wave) << "frame " << frame;
  }
  EXPECT_GE(drawn, 3);
  EXPECT_EQ(every.state.pictures_built, drawn);
}

// A host that saves power draws a reveal's frame only once the reveal has moved on by a
// step, and no held frame: the screen never lags the cycle by a step, the pictures and the
// timing stay those of a run that draws every frame, and the host can tell beforehand.
TEST(Cycle, FramesThatChangeTooLittleAreLeftOutWithoutChangingThePictures) {
  EngineFixture every, changed;
  for (EngineFixture* f : {&every, &changed}) {
    f->add_picture("Test", "PLANS=2", 2);
    ASSERT_EQ(f->start(320, 200, 9), StartResult::started);
  }
  const auto moved = [](float a, float b) {
    return std::fabs(reveal_time_for(a) - reveal_time_for(b));
  };
  int left_out = 0, shown_in_first_reveal = 0;
  float last_shown = -1.0f;
  // The first picture's hold, its whole reveal of about 471 frames at 60 frames/s, the
  // second picture's hold of 420 frames and the start of its reveal.
  for (int frame = 0; frame < 1000; ++frame) {
    draw_frame(every.state);
    const int built = changed.state.pictures_built;
    const bool foretold = frame_changes_display(changed.state);
    const bool shown = draw_frame_if_changed(changed.state);
    ASSERT_EQ(shown, foretold) << "frame " << frame;
    const float weight = 1.0f - changed.state.progress();
    const bool new_picture = changed.state.pictures_built != built;
    if (shown) {
      if (!new_picture && last_shown >= 0.0f) {
        ASSERT_TRUE(moved(weight, last_shown) >= kRevealStep || weight == 0.0f ||
                    weight == 1.0f)
            << "frame " << frame << " drawn after a move of " << moved(weight, last_shown);
      }
      if (built == 1 && !new_picture) ++shown_in_first_reveal;
      last_shown = weight;
    } else {
      ++left_out;
      ASSERT_FALSE(new_picture) << "frame " << frame;
      ASSERT_LT(moved(weight, last_shown), kRevealStep) << "frame " << frame;
    }
    ASSERT_EQ(every.state.timing.phase, changed.state.timing.phase) << "frame " << frame;
    ASSERT_EQ(every.state.random.state(), changed.state.random.state()) << "frame " << frame;
  }
  EXPECT_EQ(every.state.pictures_built, 2);
  EXPECT_EQ(changed.state.pictures_built, 2);
  // One frame in three of a reveal at 60 frames/s, about 157.
  EXPECT_GE(shown_in_first_reveal, 140);
  EXPECT_LE(shown_in_first_reveal, 175);
  EXPECT_GT(left_out, 700);  // the holds and two thirds of the reveals
}

}  // namespace
}  // namespace bw::painter
