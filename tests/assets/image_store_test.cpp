// Numbered images over an image store stand-in: selection, slots, retries, descrambling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "assets/additive_random.h"
#include "assets/jpeg_decoder.h"
#include "assets/store_image.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

// Records in memory; field 2 of each holds the given bytes, already scrambled.
class MemoryRecords : public ImageRecords {
 public:
  MemoryRecords(std::map<int, Bytes> fields, int count, std::vector<int>* reads)
      : fields_(std::move(fields)), count_(count), reads_(reads) {}
  int record_count() override { return count_; }
  std::optional<std::span<std::uint8_t>> image_field(int record) override {
    if (reads_ != nullptr) reads_->push_back(record);
    const auto found = fields_.find(record);
    if (found == fields_.end()) return std::nullopt;
    read_ = found->second;  // the caller descrambles in place
    return std::span<std::uint8_t>(read_);
  }

 private:
  Bytes read_;
  std::map<int, Bytes> fields_;
  int count_;
  std::vector<int>* reads_;
};

// A small RGB JPEG made by cjpeg, and what it decodes to.
const Bytes& sample_jpeg() {
  static const Bytes jpeg = [] {
    const std::string source = test::corpus_path("store_sample.ppm");
    const std::string path = test::corpus_path("store_sample.jpg");
    test::write_ppm(source, 6, 3, test::pattern_rgba(6, 3));
    if (!test::run("cjpeg -outfile '" + path + "' '" + source + "'")) return Bytes{};
    return test::read_file(path);
  }();
  return jpeg;
}

Bytes scrambled(Bytes bytes, int record) {
  scramble(bytes, record_seed(record));
  return bytes;
}

TEST(StoreImage, NumberSelectsRecordModuloCountPlusOne) {
  struct Case {
    int number, count, record;
  };
  const Case cases[] = {{25, 12, 12}, {13, 12, 1}, {0, 12, 1}, {5, 12, 5},
                        {12, 12, 12}, {7, 0, 1},   {-3, 12, 0},
                        {2147483647, 2147483647, 2147483647}};
  for (const Case& c : cases) {
    EXPECT_EQ(select_image_record(c.number, c.count), c.record) << c.number << " of " << c.count;
  }
}

TEST(StoreImage, FetchDescramblesAndDecodesTheSelectedRecord) {
  ASSERT_FALSE(sample_jpeg().empty());
  std::vector<int> reads;
  std::vector<std::string> opened;
  ImageStores stores("/install", [&](const std::string& dir) -> std::unique_ptr<ImageRecords> {
    opened.push_back(dir);
    return std::make_unique<MemoryRecords>(
        std::map<int, Bytes>{{12, scrambled(sample_jpeg(), 12)}, {1, Bytes{}}}, 12, &reads);
  });
  int width = 0, height = 0, count = 0;
  const auto image = stores.fetch(25, 2, width, height, count);
  ASSERT_TRUE(image);
  EXPECT_EQ(count, 12);
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 3);
  int plain_width = 0, plain_height = 0;
  EXPECT_EQ(image->rgba, decode_jpeg(sample_jpeg(), plain_width, plain_height)->rgba);

  // The same number again gives identical pixels; the store stays open.
  EXPECT_EQ(stores.fetch(25, 2, width, height, count)->rgba, image->rgba);
  EXPECT_EQ(opened, (std::vector<std::string>{"/install/data/Base4"}));

  // Record 1 is empty, record 5 is missing: no image, but the count is known.
  count = 0;
  EXPECT_FALSE(stores.fetch(13, 2, width, height, count));
  EXPECT_EQ(count, 12);
  EXPECT_FALSE(stores.fetch(5, 2, width, height, count));
  EXPECT_EQ(reads, (std::vector<int>{12, 12, 1, 5}));
}

TEST(StoreImage, UndescrambledOrDamagedBytesGiveNone) {
  ImageStores stores("", [](const std::string&) -> std::unique_ptr<ImageRecords> {
    // Record 1 holds the JPEG unscrambled, which the descrambling turns to noise.
    return std::make_unique<MemoryRecords>(std::map<int, Bytes>{{1, sample_jpeg()}}, 1, nullptr);
  });
  int width = -1, height = -1, count = 0;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(stores.fetch(1, 0, width, height, count));
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  EXPECT_EQ(width, -1);
}

// Each problem of an image store is one line naming the store (and the record), said
// once: a record that cannot be read or decoded is not read again, and a store without
// records is named once however often it is asked.
TEST(StoreImage, ProblemsAreSaidOnceNamingStoreAndRecord) {
  ASSERT_FALSE(sample_jpeg().empty());
  Bytes damaged = sample_jpeg();  // cut before its last quarter: the scan ends early
  damaged.resize(damaged.size() * 3 / 4);
  std::vector<int> reads;
  ImageStores stores("/i", [&](const std::string& dir) -> std::unique_ptr<ImageRecords> {
    if (dir == "/i/data/Base2") return std::make_unique<MemoryRecords>(std::map<int, Bytes>{}, 0, nullptr);
    return std::make_unique<MemoryRecords>(
        std::map<int, Bytes>{{1, scrambled(sample_jpeg(), 1)}, {3, scrambled(damaged, 3)}}, 3,
        &reads);
  });
  struct Case {
    int number, code;
    const char* said;  // "" when nothing is said
  } cases[] = {
      {2, 0, "fetch_store_image(): record 2 of the image store \"/i/data/Base1\" cannot be read\n"},
      {2, 0, ""},
      {3, 0, "fetch_store_image(): cannot decode record 3 of the image store \"/i/data/Base1\": "},
      {3, 0, ""},
      {1, 1, "fetch_store_image(): the image store \"/i/data/Base2\" is damaged: \"Main\" holds no records\n"},
      {1, 1, ""},
  };
  for (const Case& c : cases) {
    int width = 0, height = 0, count = 0;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(stores.fetch(c.number, c.code, width, height, count));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.substr(0, std::string(c.said).size()), c.said) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.said[0] == 0 ? 0 : 1) << said;
  }
  EXPECT_EQ(reads, (std::vector<int>{2, 3}));  // neither is read a second time
  int width = 0, height = 0, count = 0;
  EXPECT_TRUE(stores.fetch(1, 0, width, height, count));
}

// A store whose "Main" runs on with noise has thousands of records that cannot be read or
// decoded: the first of each kind is named, the others are counted, and the counts are said
// once per store when the stores close.
TEST(StoreImage, ManyDamagedRecordsAreCountedNotListed) {
  ASSERT_FALSE(sample_jpeg().empty());
  std::map<int, Bytes> fields{{1, scrambled(sample_jpeg(), 1)}};
  for (int record = 2; record <= 6; ++record) fields[record] = Bytes(40, 0x5a);  // noise
  testing::internal::CaptureStderr();
  {
    ImageStores stores("/i", [&](const std::string& dir) -> std::unique_ptr<ImageRecords> {
      return std::make_unique<MemoryRecords>(dir == "/i/data/Base4" ? std::map<int, Bytes>{}
                                                                     : fields,
                                             5000, nullptr);
    });
    for (int number = 2; number <= 5000; ++number) {
      int width = 0, height = 0, count = 0;
      EXPECT_FALSE(stores.fetch(number, 0, width, height, count));
      stores.fetch(number, 0, width, height, count);  // asked again: nothing new
    }
    int width = 0, height = 0, count = 0;
    EXPECT_FALSE(stores.fetch(7, 2, width, height, count));  // another store: its own count
  }
  const std::string said = testing::internal::GetCapturedStderr();
  std::vector<std::string> lines;
  std::istringstream in(said);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u) << said;
  EXPECT_THAT(lines[0], testing::StartsWith(
                            "fetch_store_image(): cannot decode record 2 of the image store "
                            "\"/i/data/Base1\": "));
  EXPECT_EQ(lines[1], "fetch_store_image(): record 7 of the image store \"/i/data/Base1\" "
                      "cannot be read");
  EXPECT_EQ(lines[2], "fetch_store_image(): record 7 of the image store \"/i/data/Base4\" "
                      "cannot be read");
  EXPECT_EQ(lines[3], "fetch_store_image(): 4993 more records of the image store "
                      "\"/i/data/Base1\" cannot be read");
  EXPECT_EQ(lines[4], "fetch_store_image(): 4 more records of the image store "
                      "\"/i/data/Base1\" cannot be decoded");
}

TEST(StoreImage, CodesMapToSlotsAndZeroSharesWithFour) {
  EXPECT_EQ(image_store_dir("", 0), "./data/Base1");
  EXPECT_EQ(image_store_dir("/i", 1), "/i/data/Base2");
  EXPECT_EQ(image_store_dir("/i", 2), "/i/data/Base4");
  EXPECT_EQ(image_store_dir("/i", 4), "/i/data/Base");
  EXPECT_EQ(image_store_dir("/i", 3), "");

  std::vector<std::string> opened;
  auto opener = [&](const std::string& dir) -> std::unique_ptr<ImageRecords> {
    opened.push_back(dir);
    return std::make_unique<MemoryRecords>(std::map<int, Bytes>{}, 3, nullptr);
  };
  ImageStores stores("/i", opener);
  int width = 0, height = 0, count = 0;
  stores.fetch(1, 4, width, height, count);  // code 4 first: the shared slot holds data/Base
  stores.fetch(1, 0, width, height, count);
  stores.fetch(1, 1, width, height, count);
  EXPECT_EQ(opened, (std::vector<std::string>{"/i/data/Base", "/i/data/Base2"}));

  // Unknown codes touch nothing.
  for (int code : {-1, 3, 5, 100}) {
    int w = 11, h = 12, c = 13;
    EXPECT_FALSE(stores.fetch(1, code, w, h, c)) << code;
    EXPECT_EQ(w * 10000 + h * 100 + c, 111213) << code;
  }
  EXPECT_EQ(opened.size(), 2u);
}

TEST(StoreImage, FailedOpenIsRetriedOnTheNextFetch) {
  int attempts = 0;
  ImageStores stores("/i", [&](const std::string&) -> std::unique_ptr<ImageRecords> {
    if (++attempts == 1) return nullptr;
    return std::make_unique<MemoryRecords>(
        std::map<int, Bytes>{{1, scrambled(sample_jpeg(), 1)}}, 1, nullptr);
  });
  int width = 0, height = 0, count = -5;
  EXPECT_FALSE(stores.fetch(1, 1, width, height, count));
  EXPECT_EQ(count, -5);  // never opened: the count is not set
  EXPECT_TRUE(stores.fetch(1, 1, width, height, count));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(attempts, 2);
}

TEST(StoreImage, ThreeRowImageHasItsOuterRowsExchanged) {
  int width = 0, height = 0, count = 0;
  ImageStores stores("/i", [](const std::string&) -> std::unique_ptr<ImageRecords> {
    return std::make_unique<MemoryRecords>(
        std::map<int, Bytes>{{1, scrambled(sample_jpeg(), 1)}}, 1, nullptr);
  });
  auto image = stores.fetch(0, 0, width, height, count);
  ASSERT_TRUE(image);
  ASSERT_EQ(height, 3);
  const PixelBuffer original = *image;
  reverse_rows(*image);
  EXPECT_TRUE(std::equal(original.row(0), original.row(0) + original.stride(), image->row(2)));
  EXPECT_TRUE(std::equal(original.row(1), original.row(1) + original.stride(), image->row(1)));
  EXPECT_TRUE(std::equal(original.row(2), original.row(2) + original.stride(), image->row(0)));

  // Decoding bottom row first leaves exactly what the reversal leaves.
  const auto bottom_first = stores.fetch(0, 0, width, height, count, RowOrder::bottom_first);
  ASSERT_TRUE(bottom_first);
  EXPECT_EQ(bottom_first->rgba, image->rgba);
}

}  // namespace
}  // namespace bw::assets
