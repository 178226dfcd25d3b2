#include "assets/asset_pack.h"

#include <algorithm>
#include <filesystem>

#include "assets/additive_random.h"
#include "store/collation.h"
#include "store/store_writer.h"

namespace bw::assets {
namespace {

std::vector<store::WriterField> packed_fields() {
  return {store::WriterField{"Path", store::FieldType::text, 0, 4, {}},
          store::WriterField{"Data", store::FieldType::binary, 0, 4, {}}};
}

bool write_packed(const std::string& dir, const std::vector<PackedAsset>& assets,
                  std::string* error) {
  if (assets.size() > static_cast<size_t>(INT32_MAX - kRecordSeedSalt)) {
    if (error != nullptr) *error = "too many assets for one store";
    return false;
  }
  std::vector<store::WriterRecord> records;
  records.reserve(assets.size());
  for (size_t i = 0; i < assets.size(); ++i) {
    std::vector<uint8_t> data = assets[i].bytes;
    scramble(data, record_seed(static_cast<int32_t>(i + 1)));
    records.push_back({store::WriterValue::of_text(assets[i].key),
                       store::WriterValue::of_bytes(std::move(data))});
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  store::WriterOptions options;
  options.index_field1 = true;
  return store::write_store(dir, packed_fields(), records, options, error);
}

}  // namespace

bool write_asset_store(const std::string& dir, const std::vector<PackedAsset>& assets,
                       std::string* error) {
  std::vector<const PackedAsset*> sorted;
  for (const auto& a : assets) sorted.push_back(&a);
  auto compare = [](const PackedAsset* x, const PackedAsset* y) {
    return store::collation_compare(reinterpret_cast<const uint8_t*>(x->key.data()),
                                    x->key.size(),
                                    reinterpret_cast<const uint8_t*>(y->key.data()),
                                    y->key.size(), 0);
  };
  std::sort(sorted.begin(), sorted.end(),
            [&](const PackedAsset* x, const PackedAsset* y) { return compare(x, y) < 0; });
  for (size_t i = 1; i < sorted.size(); ++i) {
    if (compare(sorted[i - 1], sorted[i]) != 0) continue;
    if (error != nullptr)
      *error = "keys \"" + sorted[i - 1]->key + "\" and \"" + sorted[i]->key +
               "\" cannot be told apart by the store";
    return false;
  }
  for (const auto& a : assets) {
    if (a.key.empty() || a.key.find('\0') != std::string::npos) {
      if (error != nullptr) *error = "asset key \"" + a.key + "\" is empty or holds a NUL";
      return false;
    }
  }
  return write_packed(dir, assets, error);
}

bool write_image_store(const std::string& dir, const std::vector<PackedAsset>& images,
                       std::string* error) {
  return write_packed(dir, images, error);
}

bool relative_key(const std::string& root, const std::string& file, std::string& key) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path r = fs::weakly_canonical(fs::absolute(root, ec), ec);
  if (ec) return false;
  const fs::path f = fs::weakly_canonical(fs::absolute(file, ec), ec);
  if (ec) return false;
  const fs::path rel = f.lexically_relative(r);
  if (rel.empty() || rel == "." || *rel.begin() == "..") return false;
  key = rel.generic_string();
  return true;
}

}  // namespace bw::assets
