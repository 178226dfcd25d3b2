// The xscreensaver settings description and the program must agree option for option.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "host/options.h"

namespace bw::host {
namespace {

TEST(XscreensaverDescription, EveryOptionItPassesIsAccepted) {
  std::ifstream in(std::string(BW_SOURCE_DIR) + "/src/host/install/brushwright.xml");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  const std::string xml = text.str();

  const std::regex arg_attribute(R"re(\barg(-set|-unset)?="([^"]*)")re");
  int seen = 0;
  for (std::sregex_iterator it(xml.begin(), xml.end(), arg_attribute), end; it != end; ++it) {
    std::string arg = (*it)[2];
    // Sliders put their value where the % stands.
    if (auto percent = arg.find('%'); percent != std::string::npos) arg.replace(percent, 1, "5");
    std::vector<std::string> args{"brushwright", "--root"};
    std::istringstream words(arg);
    for (std::string word; words >> word;) args.push_back(word);
    std::string error;
    EXPECT_TRUE(parse_saver_options(args, "0x42", error)) << arg << ": " << error;
    ++seen;
  }
  EXPECT_GE(seen, 4);  // --root, --speed, --delay, --fps
  EXPECT_NE(xml.find(R"(<command arg="--root"/>)"), std::string::npos);
}

}  // namespace
}  // namespace bw::host
