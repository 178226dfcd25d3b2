// Texture: a single-level 32-bit render-target texture, used both as a render target and
// as a loaded image, with a filter mode and an address mode that decide how shaders
// sample it.
//
// Invariants:
//   1. A Texture is made only by Device::create_texture and lives in that device's list
//      until Texture::release (or Device::release) destroys it.
//   2. width and height are 0 until the first successful creation; afterwards they hold
//      the size of the last successful creation, also while the texture is lost.
//   3. handle() and surface() are both 0 or both non-zero.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"
#include "assets/store_image.h"
#include "device/backend.h"

namespace bw::device {

class Device;

// Filter modes: how a texture is sampled.
inline constexpr int kFilterModePoint = 0;   // point sampling everywhere
inline constexpr int kFilterModeSmooth = 1;  // linear, except point magnification at full size
// Address modes: what lies outside 0..1.
inline constexpr int kAddressModeWrap = 0;
inline constexpr int kAddressModeClamp = 1;
inline constexpr int kAddressModeMirror = 2;

// Reads the image at a path (the extension decides the reader); none on failure, with
// width and height as the reader left them. The reader writes its own message.
using PathImageReader = std::function<std::optional<assets::PixelBuffer>(
    const std::string& path, int& width, int& height)>;
// Reads numbered image `number` from the image store of `store_code`, rows as stored
// (bottom first); sets record_count to the store's record count when the store opened.
using StoreImageReader = std::function<std::optional<assets::PixelBuffer>(
    int number, int store_code, int& record_count)>;

// The two image roads of Texture::load and Texture::load_from_store.
struct ImageSource {
  PathImageReader by_path;    // may be empty: load() then fails
  StoreImageReader by_store;  // may be empty: load_from_store() then finds nothing
};

// The path road through the image readers of the assets library (extension dispatch,
// TGA and JPEG through the fetcher, PNG and DDS from files).
PathImageReader image_readers_by_path(assets::ImageSources sources);
// The number road through the image-store slots of the assets library (shared: the
// slots stay open for the rest of the run).
StoreImageReader image_stores_by_number(std::shared_ptr<assets::ImageStores> stores);

class Texture {
 public:
  // Creates the render target with undefined contents; false without a device or when
  // the backend refuses (the texture then keeps what it had). Creating again replaces
  // the old objects once the new ones exist.
  bool create(int width, int height, int filter, int address);
  // Re-creates the texture at that size and fills it with `pixels` (red, green, blue,
  // alpha; rows from the top). The buffer is left in blue, green, red, alpha order.
  bool upload(std::uint8_t* pixels, int width, int height, int filter, int address);
  // Copies the device's current render target onto this texture, scaled with linear
  // filtering; nothing when the texture was never created.
  void copy_from_target();
  // The backend texture, for binding to a sampler; 0 when none.
  TextureHandle handle() const { return texture_; }
  // The level-0 surface, for Device::set_target; 0 when none.
  SurfaceHandle surface() const { return surface_; }
  // Releases the backend objects before a device reset (size and modes kept).
  void on_lost();
  // Re-creates the texture empty at its old size with filter 0 and address 1.
  bool on_reset();
  // Releases the backend objects, leaves the device's list and destroys this Texture:
  // the pointer must not be used afterwards.
  void release();

  // Reads an image file by path and uploads it with filter 1 and address 1; width and
  // height receive the image's size (0 when nothing was read).
  bool load(const std::string& path, int& width, int& height);
  // Uploads image `number` of the store `store_code` (rows reversed, filter 1, address
  // 1); width and height are 0 when no image came, the texture then stays as it was.
  void load_from_store(int number, int store_code, int& width, int& height,
                       int& record_count);

  // The owning device.
  Device* device() const { return device_; }
  // Sampling filter mode (kFilterModePoint, kFilterModeSmooth, other: left unchanged).
  int filter() const { return filter_; }
  // Addressing mode (kAddressModeWrap, kAddressModeClamp, kAddressModeMirror).
  int address() const { return address_; }

  // Size in pixels of the last successful creation; 0 while never created. The engine
  // tests these to know whether the texture holds an image.
  int width = 0;
  int height = 0;

 private:
  friend class Device;
  explicit Texture(Device* device) : device_(device) {}
  void release_objects();

  Device* device_;
  TextureHandle texture_ = 0;
  SurfaceHandle surface_ = 0;
  int filter_ = 0;
  int address_ = 0;
};

}  // namespace bw::device

namespace bw {
using device::Texture;
}  // namespace bw
