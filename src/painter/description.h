// The picture description: the `.hdr` text of a picture, "KEY=number" settings that give
// the number of plans and the strengths of the painting effects.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bw::painter {

// Relative asset path (forward slashes) -> the file's bytes, or nothing when it cannot be
// had. The saver passes fetch_asset; tests pass in-memory files.
using AssetFetcher =
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string& path)>;

// Most plans a picture can have.
inline constexpr int kMaxPlans = 5;

// The description of one picture, with the defaults of absent keys.
struct PictureDescription {
  std::string name;         // picture name: folder under data/shaders
  float tex = 0.0f;         // TEX
  float bump0 = 0.1f;       // BUMP0
  float bloor = 0.0f;       // BLOOR
  float fltr1 = 0.0f;       // FLTR1
  float fltr2 = 0.0f;       // FLTR2
  float fltrform = 0.0f;    // FLTRFORM
  float fltrsurf = 0.0f;    // FLTRSURF
  float fltrcol = 0.0f;     // FLTRCOL
  int plans = 1;            // PLANS, 1..5 after reading
  int bgcolor = 1;          // BGCOLOR: odd = colour images, even = palette colours
  float silhouette = 0.0f;  // SILHOUETTE
  float dist = 0.2f;        // DIST
  float bump1 = 0.0f;       // BUMP1
  float bump2 = 0.0f;       // BUMP2
};

// Reads the settings from a description text. The text ends at its first NUL byte. Each key
// is found at its first occurrence followed by "=" (case-sensitive, anywhere in the text);
// an absent key gives its default, a key not followed by a number gives 0. PLANS is kept
// within 1..5 (a picture needs its first plan); non-finite numbers count as no number.
PictureDescription parse_picture_description(std::string_view text, std::string name);

// Path of a picture's description: "data/shaders/<name>/<name>.hdr".
std::string description_path(const std::string& picture_name);

// The folder every description lives under: "data/shaders/".
inline constexpr const char* kDescriptionFolder = "data/shaders/";

// The names of the pictures whose descriptions are among `asset_paths`: every <name> of a
// "data/shaders/<name>/<name>.hdr", in the order of the paths.
std::vector<std::string> picture_names(const std::vector<std::string>& asset_paths);

// Fetches and parses the description of `picture_name`; nothing (after a one-line message
// on standard error) when the file cannot be fetched.
std::optional<PictureDescription> fetch_picture_description(const AssetFetcher& fetch,
                                                            const std::string& picture_name);

}  // namespace bw::painter
