// What every host shares about an installation's data folder: its path, written with one
// kind of separator, in the lines that name it.
#include "host/engine_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/diagnostics.h"

namespace bw::host {
namespace {

TEST(DataFolder, KeepsTheSeparatorsOfTheInstallation) {
  struct Case {
    const char* install;
    const char* data;
  };
  const std::vector<Case> cases = {
      {"/opt/brushwright", "/opt/brushwright/data"},
      {"/opt/brushwright/", "/opt/brushwright/data"},
      {".", "./data"},
      {"", "data"},
#ifdef _WIN32
      {"C:\\Program Files\\Brushwright", "C:\\Program Files\\Brushwright\\data"},
      {"C:\\Program Files\\Brushwright\\", "C:\\Program Files\\Brushwright\\data"},
      {"C:/Tools/Brushwright", "C:/Tools/Brushwright/data"},
      {"\\\\server\\share\\Brushwright", "\\\\server\\share\\Brushwright\\data"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(data_folder(c.install), c.data) << c.install;
}

TEST(DataFolder, IsNamedThatWayWhenThereIsNoData) {
  std::vector<std::string> said;
  const diag::Sink previous =
      diag::install_sink([&said](const std::string& line) { said.push_back(line); });
  Settings settings;
#ifdef _WIN32
  settings.install_path = "C:\\Nowhere\\Brushwright";
  const std::string data = "C:\\Nowhere\\Brushwright\\data";
#else
  settings.install_path = "/nowhere/brushwright";
  const std::string data = "/nowhere/brushwright/data";
#endif
  const bool found = check_picture_data(settings);
  diag::install_sink(previous);
  EXPECT_FALSE(found);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "brushwright: no picture data in \"" + data +
                         "\" (set PATH= in the settings, or install the data)");
}

}  // namespace
}  // namespace bw::host
