// Which pictures there are, read from the data, and which one a run paints.
#include "host/picture_choice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "assets/asset_pack.h"
#include "assets/installation.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "PLANS=1\n";
}

TEST(InstalledPictures, AreTheDescriptionsInTheData) {
  const fs::path install = fs::path(BW_TEST_TMPDIR) / "installed";
  fs::remove_all(install);
  // Plain files: only "<name>/<name>.hdr" under data/shaders is a picture.
  for (const char* file : {"data/shaders/Zephyr/Zephyr.hdr", "data/shaders/Amber/Amber.hdr",
                           "data/shaders/Odd/Other.hdr", "data/shaders/Loose.hdr",
                           "data/shaders/Amber/formgen.0.bsf", "data/Estray/Estray.hdr"})
    touch(install / file);
  assets::Installation plain(install.string());
  EXPECT_EQ(installed_pictures(plain), (std::vector<std::string>{"Amber", "Zephyr"}));

  // With an asset store the store alone says what there is.
  std::string error;
  ASSERT_TRUE(assets::write_asset_store(
      (install / "data" / "Base3").string(),
      {{"data/shaders/visual.bsf", {1}},
       {"data/shaders/Quill/Quill.hdr", {2}},
       {"data/shaders/Brook/Brook.hdr", {3}},
       {"data/shaders/Brook/formgen.0.bsf", {4}}},
      &error))
      << error;
  assets::Installation stored(install.string());
  EXPECT_EQ(installed_pictures(stored), (std::vector<std::string>{"Brook", "Quill"}));

  assets::Installation nowhere((install / "nowhere").string());
  EXPECT_TRUE(installed_pictures(nowhere).empty());
}

TEST(ChoosePicture, NamesAnInstalledPictureOrDrawsOne) {
  const std::vector<std::string> installed{"Estuary", "Orchard", "Tamsin"};
  std::string error;
  EXPECT_EQ(choose_picture("Orchard", installed, 1, error), "Orchard");
  // "random" is reproducible from its seed and reaches every picture.
  std::set<std::string> drawn;
  for (uint32_t seed = 0; seed < 60; ++seed) {
    const auto picture = choose_picture("random", installed, seed, error);
    ASSERT_TRUE(picture);
    EXPECT_EQ(choose_picture("random", installed, seed, error), picture);
    drawn.insert(*picture);
  }
  EXPECT_EQ(drawn.size(), installed.size());
}

TEST(ChoosePicture, AnUnknownNameListsThePicturesThereAre) {
  for (const char* name : {"Dune", "tamsin", "random"}) {
    std::string error;
    const bool none_installed = std::string(name) == "random";
    const std::vector<std::string> installed =
        none_installed ? std::vector<std::string>{} : std::vector<std::string>{"Estuary", "Tamsin"};
    EXPECT_FALSE(choose_picture(name, installed, 7, error)) << name;
    EXPECT_NE(error.find(std::string("\"") + name + "\""), std::string::npos) << error;
    EXPECT_NE(error.find(none_installed ? "none" : "Estuary, Tamsin"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace bw::host
