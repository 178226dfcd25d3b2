// .bsf reader: any bytes give an image or a message; an image read is written back and
// read again unchanged.
#include <cstdlib>

#include "bytecode/bsf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bw::bytecode;
  std::string error;
  auto image = read_bsf(std::span(data, size), error);
  if (!image) {
    if (error.empty()) std::abort();
    return 0;
  }
  auto bytes = write_bsf(*image, error);
  if (!bytes) std::abort();
  auto again = read_bsf(*bytes, error);
  if (!again || again->vs.code != image->vs.code || again->ps.code != image->ps.code ||
      again->ps.constants.size() != image->ps.constants.size()) {
    std::abort();
  }
  return 0;
}
