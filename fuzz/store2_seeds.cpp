// Seeds for the lookup, fetch and expression fuzz targets: stores made by the writer and
// the packer, packed as [id][length][bytes] runs, and expression texts. The corpus folder's
// name says which target the seeds are for.
#include <string>

#include "assets/asset_pack.h"
#include "store2_files.h"

using namespace bw::store;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string corpus = argv[1];
  const std::string work = store2_fuzz::temp_dir("store2_seeds");
  if (corpus.find("lookup") != std::string::npos) {
    std::vector<WriterRecord> records;
    for (int r = 1; r <= 40; ++r)
      records.push_back({WriterValue::of_text("key" + std::to_string(r * 7 % 40)),
                         WriterValue::of_integer(r % 9, 4), WriterValue::of_integer(r % 13, 4),
                         WriterValue::of_double(r / 3.0)});
    for (bool scrambled : {false, true}) {
      WriterOptions options;
      options.tree_fields = {2, 4};
      options.scramble_trees = scrambled;
      options.page_size = 96;
      const std::string dir = work + (scrambled ? "/S" : "/P");
      std::string error;
      if (!write_store(dir,
                       {WriterField{"Name", FieldType::text, 0, 4, {}},
                        WriterField{"Number", FieldType::signed_integer, 0, 4, {}},
                        WriterField{"Paged", FieldType::signed_integer, kFlagPaged, 4, {}},
                        WriterField{"Weight", FieldType::double_float, 0, 8, {}}},
                       records, options, &error))
        return 1;
      store2_fuzz::write_seed(corpus, scrambled ? "scrambled" : "plain",
                              store2_fuzz::pack(dir, {"Main", "Bank.0", "Tree.2", "Tree.4", "_Storage"},
                                                "key7"));
    }
  } else if (corpus.find("fetch") != std::string::npos) {
    std::vector<bw::assets::PackedAsset> assets;
    for (int i = 0; i < 20; ++i)
      assets.push_back({"asset" + std::to_string(i), std::vector<uint8_t>(static_cast<size_t>(i * 5), 7)});
    std::string error;
    if (!bw::assets::write_asset_store(work + "/Base3", assets, &error)) return 1;
    store2_fuzz::write_seed(corpus, "assets", store2_fuzz::pack(work + "/Base3", {"Main", "Bank.0"}, "asset11"));
  } else {
    const char* texts[] = {"2*(3+4)", "1/3*3", "^2*2+^3[X]", "CX[\"Store\",1,^2]*2",
                           "CX[1,^Count]-(^4/2)", "^Formula", "1e-3*(2+(3*4))/0", "^1.2.3[X]"};
    int n = 0;
    for (const char* t : texts)
      store2_fuzz::write_seed(corpus, "text" + std::to_string(n++),
                              std::vector<uint8_t>(t, t + std::char_traits<char>::length(t)));
  }
  std::filesystem::remove_all(work);
  return 0;
}
