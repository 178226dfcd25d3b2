#include "device/texture.h"

#include <utility>

#include "assets/image_load.h"
#include "device/device.h"

namespace bw::device {

bool Texture::create(int width, int height, int filter, int address) {
  if (!device_->created() || width <= 0 || height <= 0) return false;
  Backend& backend = *device_->backend();
  const TextureHandle texture = backend.create_texture(width, height);
  if (texture == 0) return false;
  const SurfaceHandle surface = backend.get_surface(texture);
  if (surface == 0) {
    backend.release_texture(texture);
    return false;
  }
  // A texture created again drops its old objects only once the new ones exist.
  release_objects();
  texture_ = texture;
  surface_ = surface;
  this->width = width;
  this->height = height;
  filter_ = filter;
  address_ = address;
  return true;
}

bool Texture::upload(std::uint8_t* pixels, int width, int height, int filter, int address) {
  if (!device_->created()) return false;
  release_objects();
  if (pixels == nullptr || !create(width, height, filter, address)) return false;
  // Red, green, blue, alpha becomes blue, green, red, alpha: the texture's memory order.
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i) std::swap(pixels[i * 4], pixels[i * 4 + 2]);
  return device_->backend()->update_texture(texture_, pixels, width, height);
}

void Texture::copy_from_target() {
  if (surface_ == 0) return;
  Backend& backend = *device_->backend();
  const SurfaceHandle target = backend.get_render_target();
  if (target == 0) return;
  backend.stretch_rect(target, surface_);
  backend.release_surface(target);
}

void Texture::release_objects() {
  Backend* backend = device_->backend();
  if (surface_ != 0) backend->release_surface(surface_);
  if (texture_ != 0) backend->release_texture(texture_);
  surface_ = 0;
  texture_ = 0;
}

void Texture::on_lost() { release_objects(); }

bool Texture::on_reset() {
  return create(width, height, kFilterModePoint, kAddressModeClamp);
}

void Texture::release() {
  release_objects();
  device_->forget(this);  // destroys this Texture
}

bool Texture::load(const std::string& path, int& width, int& height) {
  const PathImageReader& read = device_->image_source().by_path;
  width = 0;
  height = 0;
  if (!read) return false;
  std::optional<assets::PixelBuffer> image = read(path, width, height);
  if (!image || image->width == 0 || image->height == 0) return false;
  width = image->width;
  height = image->height;
  return upload(image->rgba.data(), width, height, kFilterModeSmooth, kAddressModeClamp);
}

void Texture::load_from_store(int number, int store_code, int& width, int& height,
                              int& record_count) {
  const StoreImageReader& read = device_->image_source().by_store;
  std::optional<assets::PixelBuffer> image;
  if (read) image = read(number, store_code, record_count);
  if (!image || image->width == 0 || image->height == 0) {
    width = 0;
    height = 0;
    return;
  }
  width = image->width;
  height = image->height;
  // Stored images run from the bottom row up.
  assets::reverse_rows(*image);
  upload(image->rgba.data(), width, height, kFilterModeSmooth, kAddressModeClamp);
}

PathImageReader image_readers_by_path(assets::ImageSources sources) {
  return [sources = std::move(sources)](const std::string& path, int& width, int& height) {
    return assets::load_image(path, sources, width, height);
  };
}

StoreImageReader image_stores_by_number(std::shared_ptr<assets::ImageStores> stores) {
  return [stores = std::move(stores)](int number, int store_code, int& record_count) {
    int width = 0;
    int height = 0;
    return stores->fetch(number, store_code, width, height, record_count);
  };
}

}  // namespace bw::device
