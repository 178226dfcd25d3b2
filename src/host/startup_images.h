// The images that every start of the engine loads whatever the picture: the first facture
// image, which all four facture textures start with, and the oil and signature overlays.
// They are decoded on a worker thread while the graphics context comes up, and each once.
#pragma once

#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "assets/pixel_buffer.h"
#include "device/texture.h"

namespace bw::host {

class StartupImages {
 public:
  StartupImages() = default;
  StartupImages(const StartupImages&) = delete;
  StartupImages& operator=(const StartupImages&) = delete;
  // Waits for the worker, if one is still decoding.
  ~StartupImages();

  // Starts decoding those images through the readers of `source`, and replaces them there
  // by readers that answer those images from the decoded copies and pass every other on.
  // Every answer first waits for the worker, so that the readers of `source` never run on
  // two threads at once. The replacements refer to this object, which must outlive them.
  void start(device::ImageSource& source);

 private:
  struct Named {  // an image read by its path
    std::string path;
    std::optional<assets::PixelBuffer> image;
    int width = 0;
    int height = 0;
    bool taken = false;  // handed out: a second load reads it again
  };
  struct Numbered {  // an image read from a store by its number
    int number = 0;
    int store_code = 0;
    std::optional<assets::PixelBuffer> image;
    int record_count = -1;  // -1: the reader did not set it
  };
  void decode();
  void wait();

  device::ImageSource readers_;  // the readers replaced
  std::vector<Named> named_;
  std::vector<Numbered> numbered_;
  std::future<void> worker_;
};

}  // namespace bw::host
