// Which monitors the full-screen saver paints besides the primary one, over tables of
// monitor layouts, and what the system here reports.
#include "host/win32/monitors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bw::host {
namespace {

std::string text(const std::vector<Monitor>& monitors) {
  std::string out;
  for (const Monitor& m : monitors) {
    const RECT& a = m.area;
    out += "(" + std::to_string(a.left) + "," + std::to_string(a.top) + " " +
           std::to_string(a.right) + "," + std::to_string(a.bottom) + ")";
  }
  return out;
}

TEST(Monitors, EveryMonitorThatOverlapsNoOtherGetsAPainting) {
  constexpr RECT kPrimary = {0, 0, 1920, 1080};
  struct Case {
    const char* what;
    std::vector<Monitor> monitors;
    const char* painted;
  };
  const Case cases[] = {
      {"one monitor", {{kPrimary, true}}, ""},
      {"right of it, edges touching",
       {{kPrimary, true}, {{1920, 0, 3200, 1024}, false}},
       "(1920,0 3200,1024)"},
      {"left of and above it, secondary listed first",
       {{{-1280, -200, 0, 824}, false}, {kPrimary, true}, {{0, -1080, 1920, 0}, false}},
       "(-1280,-200 0,824)(0,-1080 1920,0)"},
      {"a mirror at the same place", {{kPrimary, true}, {{0, 0, 1280, 1024}, false}}, ""},
      {"one pixel over its right edge",
       {{kPrimary, true}, {{1919, 0, 3200, 1024}, false}, {{3200, 0, 4480, 1024}, false}},
       "(3200,0 4480,1024)"},
      {"two secondaries mirroring each other: the first listed is painted",
       {{kPrimary, true}, {{1920, 0, 3200, 1024}, false}, {{1920, 0, 3840, 1080}, false}},
       "(1920,0 3200,1024)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(text(other_monitors_to_paint(c.monitors)), c.painted) << c.what;
}

// The system lists one primary monitor whose area is the screen the saver window covers.
TEST(Monitors, ThePrimaryIsTheScreen) {
  const std::vector<Monitor> monitors = list_monitors();
  int primaries = 0;
  for (const Monitor& m : monitors) {
    if (!m.primary) continue;
    ++primaries;
    EXPECT_EQ(text({m}), text({{{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN)}, true}}));
  }
  EXPECT_EQ(primaries, 1);
}

}  // namespace
}  // namespace bw::host
