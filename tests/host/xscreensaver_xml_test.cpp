// The xscreensaver settings description and the saver's option table must agree name for
// name: every option the description passes is one the table marks as passed there, with
// a value exactly when the table says it takes one, and every option so marked is passed.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "host/options.h"

namespace bw::host {
namespace {

std::string settings_description() {
  std::ifstream in(std::string(BW_SOURCE_DIR) + "/src/host/install/brushwright.xml");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const SaverOptionSpec* option_named(const std::string& word) {
  for (const auto& spec : saver_option_table())
    if (word == "--" + std::string(spec.name)) return &spec;
  return nullptr;
}

TEST(XscreensaverDescription, AgreesWithTheOptionTable) {
  const std::string xml = settings_description();
  ASSERT_FALSE(xml.empty());
  EXPECT_NE(xml.find(R"(<command arg="--root"/>)"), std::string::npos);

  const std::regex arg_attribute(R"re(\barg(-set|-unset)?="([^"]*)")re");
  std::set<std::string_view> passed;
  for (std::sregex_iterator it(xml.begin(), xml.end(), arg_attribute), end; it != end; ++it) {
    std::string arg = (*it)[2];
    // Sliders put their value where the % stands.
    if (auto percent = arg.find('%'); percent != std::string::npos) arg.replace(percent, 1, "5");
    std::vector<std::string> args{"brushwright", "--root"};
    std::istringstream words(arg);
    for (std::string word; words >> word;) args.push_back(word);
    ASSERT_GT(args.size(), 2u) << "an empty arg in the description";

    const SaverOptionSpec* spec = option_named(args[2]);
    ASSERT_NE(spec, nullptr) << arg << ": not in the option table";
    EXPECT_TRUE(spec->in_settings_description) << arg << ": the table does not mark it";
    EXPECT_EQ(args.size() - 3, spec->value_name.empty() ? 0u : 1u) << arg;
    std::string error;
    EXPECT_TRUE(parse_saver_options(args, "0x42", error)) << arg << ": " << error;
    passed.insert(spec->name);
  }
  for (const auto& spec : saver_option_table()) {
    if (spec.in_settings_description) {
      EXPECT_TRUE(passed.count(spec.name)) << "--" << spec.name << " is not in the description";
    }
  }
}

}  // namespace
}  // namespace bw::host
