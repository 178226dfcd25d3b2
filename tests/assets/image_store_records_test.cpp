// Numbered images read from real image stores under an install directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include "assets/asset_pack.h"
#include "assets/installation.h"
#include "assets/jpeg_decoder.h"
#include "assets/store_image.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

// A JPEG whose width tells which record it is.
Bytes jpeg_of_width(int width) {
  // Named per process: the tests of this file may run at the same time.
  const std::string stem =
      test::corpus_path("records_" + std::to_string(::getpid()) + "_" + std::to_string(width));
  const std::string source = stem + ".ppm";
  const std::string path = stem + ".jpg";
  test::write_ppm(source, width, 3, test::pattern_rgba(width, 3));
  if (!test::run("cjpeg -outfile '" + path + "' '" + source + "'")) return {};
  return test::read_file(path);
}

// Packs an image store of `count` records into install/data/<name>; record k is k wide.
void pack_store(const std::string& install, const std::string& name, int count) {
  std::vector<PackedAsset> images;
  for (int k = 1; k <= count; ++k) images.push_back({"image" + std::to_string(k) + ".jpg",
                                                      jpeg_of_width(k)});
  std::string error;
  ASSERT_TRUE(write_image_store(install + "/data/" + name, images, &error)) << error;
}

class StoreImageRecords : public testing::Test {
 protected:
  void SetUp() override {
    install_ = test::corpus_path("records_install_" +
                                 std::string(testing::UnitTest::GetInstance()
                                                 ->current_test_info()
                                                 ->name()));
    test::run("rm -rf '" + install_ + "' && mkdir -p '" + install_ + "/data'");
    installation_ = std::make_unique<Installation>(install_);
  }
  std::string install_;
  std::unique_ptr<Installation> installation_;
};

TEST_F(StoreImageRecords, NumberSelectsTheRecordAndItsImageDecodes) {
  pack_store(install_, "Base4", 12);
  struct Case {
    int number;
    int record;
  };
  for (const Case c : {Case{25, 12}, Case{13, 1}, Case{0, 1}, Case{5, 5}}) {
    int width = 0, height = 0, count = 0;
    const auto image = installation_->fetch_store_image(c.number, 2, width, height, count);
    ASSERT_TRUE(image) << c.number;
    EXPECT_EQ(count, 12);
    EXPECT_EQ(width, c.record) << c.number;
    int plain_width = 0, plain_height = 0;
    EXPECT_EQ(image->rgba, decode_jpeg(jpeg_of_width(c.record), plain_width, plain_height)->rgba);
  }
}

TEST_F(StoreImageRecords, MissingStoreIsRetriedOnceItExists) {
  int width = 0, height = 0, count = -1;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(installation_->fetch_store_image(1, 1, width, height, count));
  EXPECT_FALSE(installation_->fetch_store_image(2, 1, width, height, count));
  // Said for the first attempt only.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "fetch_store_image(): the image store \"" + image_store_dir(install_, 1) +
                "\" cannot be opened: it is missing\n");
  EXPECT_EQ(count, -1);
  pack_store(install_, "Base2", 2);
  EXPECT_TRUE(installation_->fetch_store_image(1, 1, width, height, count));
  EXPECT_EQ(count, 2);
}

TEST_F(StoreImageRecords, CodeFourUsedFirstKeepsItsStoreForCodeZero) {
  pack_store(install_, "Base", 3);
  pack_store(install_, "Base1", 5);
  int width = 0, height = 0, count = 0;
  ASSERT_TRUE(installation_->fetch_store_image(1, 4, width, height, count));
  EXPECT_EQ(count, 3);
  ASSERT_TRUE(installation_->fetch_store_image(1, 0, width, height, count));
  EXPECT_EQ(count, 3);  // still data/Base, not data/Base1

  // Another installation of the same folder has slots of its own.
  ASSERT_TRUE(Installation(install_).fetch_store_image(1, 0, width, height, count));
  EXPECT_EQ(count, 5);
}

}  // namespace
}  // namespace bw::assets
