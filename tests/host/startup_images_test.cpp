// The start-up images: decoded once on a worker, answered from the copies, every other
// image passed on to the readers they replace.
#include "host/startup_images.h"

#include <gtest/gtest.h>

#include <map>

#include "painter/image_search.h"

namespace bw::host {
namespace {

constexpr int kFacture = static_cast<int>(painter::ImageStore::facture);
constexpr int kColour = static_cast<int>(painter::ImageStore::colour);

// Readers that count their calls and give each image a pixel of its own.
struct CountingReaders {
  std::map<std::string, int> path_reads;
  std::map<std::pair<int, int>, int> store_reads;
  bool first_facture_broken = false;

  device::ImageSource source() {
    device::ImageSource source;
    source.by_path = [this](const std::string& path, int& width, int& height)
        -> std::optional<assets::PixelBuffer> {
      ++path_reads[path];
      auto image = assets::PixelBuffer::allocate(2, 1);
      image->rgba[0] = static_cast<std::uint8_t>(path.size());
      width = 2;
      height = 1;
      return image;
    };
    source.by_store = [this](int number, int store_code, int& record_count)
        -> std::optional<assets::PixelBuffer> {
      ++store_reads[{number, store_code}];
      record_count = 118;
      if (first_facture_broken && number == 1 && store_code == kFacture) return std::nullopt;
      auto image = assets::PixelBuffer::allocate(1, 1);
      image->rgba[0] = static_cast<std::uint8_t>(number * 10 + store_code);
      return image;
    };
    return source;
  }
};

TEST(StartupImages, EachIsDecodedOnceAndOthersPassOn) {
  CountingReaders readers;
  device::ImageSource source = readers.source();
  StartupImages images;
  images.start(source);

  // The four facture textures of a start, each with its own copy and the record count.
  for (int load = 0; load < 4; ++load) {
    int record_count = 0;
    auto facture = source.by_store(1, kFacture, record_count);
    ASSERT_TRUE(facture) << load;
    EXPECT_EQ(facture->rgba[0], 1 * 10 + kFacture) << load;
    EXPECT_EQ(record_count, 118) << load;
  }
  EXPECT_EQ((readers.store_reads[{1, kFacture}]), 1);

  int width = 0, height = 0;
  auto oil = source.by_path("data/shaders/oil3.jpg", width, height);
  ASSERT_TRUE(oil);
  EXPECT_EQ(oil->rgba[0], std::string("data/shaders/oil3.jpg").size());
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  // Handed out once; a second load reads it again.
  EXPECT_TRUE(source.by_path("data/shaders/oil3.jpg", width, height));
  EXPECT_EQ(readers.path_reads["data/shaders/oil3.jpg"], 2);

  // Other images, and the same number in another store, go to the readers.
  int record_count = 0;
  auto colour = source.by_store(1, kColour, record_count);
  ASSERT_TRUE(colour);
  EXPECT_EQ(colour->rgba[0], 1 * 10 + kColour);
  EXPECT_EQ((readers.store_reads[{1, kColour}]), 1);
  EXPECT_TRUE(source.by_path("data/shaders/other.jpg", width, height));
  EXPECT_EQ(readers.path_reads["data/shaders/other.jpg"], 1);
}

// A first facture that cannot be read is answered as such every time, without reading it
// again (which would say its damage a second time).
TEST(StartupImages, AFailedImageIsAnsweredAsFailedWithoutASecondRead) {
  CountingReaders readers;
  readers.first_facture_broken = true;
  device::ImageSource source = readers.source();
  StartupImages images;
  images.start(source);
  for (int load = 0; load < 2; ++load) {
    int record_count = 0;
    EXPECT_FALSE(source.by_store(1, kFacture, record_count)) << load;
    EXPECT_EQ(record_count, 118) << load;
  }
  EXPECT_EQ((readers.store_reads[{1, kFacture}]), 1);
}

}  // namespace
}  // namespace bw::host
