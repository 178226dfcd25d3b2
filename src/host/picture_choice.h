// Which picture the saver paints. The pictures are those whose descriptions the data
// holds, so a picture added to the data is offered without a change here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assets/installation.h"
#include "host/options.h"

namespace bw::host {

// The picture name that asks for a picture drawn afresh for every painting.
inline constexpr std::string_view kRandomPicture = "random";

// The pictures whose descriptions the installation's data holds, sorted by name: from its
// asset store, or from its plain files when there is no store.
std::vector<std::string> installed_pictures(assets::Installation& installation);

// The picture a run paints: `requested` itself when it is installed, one of `installed`
// drawn by `seed` for "random". None, with a one-line message in `error` that lists the
// pictures there are, for any other name.
std::optional<std::string> choose_picture(const std::string& requested,
                                          const std::vector<std::string>& installed,
                                          uint32_t seed, std::string& error);

// Settles the picture of a running mode before its settings are read: prints the
// pictures for --list-pictures, resolves "random", refuses an unknown name. Returns the
// exit status when the program ends here (with a one-line message on a failure). Sets
// `installation` to the installation whose pictures were listed, for the run to go on with.
std::optional<int> settle_picture(SaverOptions& options,
                                  std::shared_ptr<assets::Installation>& installation);

}  // namespace bw::host
