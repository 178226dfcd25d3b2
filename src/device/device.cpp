#include "device/device.h"

#include <algorithm>
#include <string>

#include "device/shader.h"
#include "device/texture.h"

namespace bw::device {
namespace {

// Where the two start-up messages send the user: the project's own README, which names
// the runtime's download and the cards the effects need.
constexpr const char* kRuntimeAddress = "the page named in Brushwright's README.md\n";
constexpr const char* kCardListAddress = "Brushwright's README.md\n";

// The lowest pixel shader version that passes by itself (3.0, encoded).
constexpr std::uint32_t kPixelShader30 = 0xFFFF0300u;
// A 2.x pixel shader passes with at least this many instruction slots.
constexpr std::uint32_t kMinInstructionSlots = 512;

// Cards of vendor 0x10DE whose pixel shaders cannot run the effects.
constexpr std::uint32_t kRefusedVendor = 0x10DE;
constexpr std::uint32_t kRefusedDevices[] = {
    0x321, 0x322, 0x323, 0x326, 0x311, 0x312, 0x314, 0x341, 0x342, 0x343, 0x344,
    0x301, 0x302, 0x330, 0x331, 0x333, 0x324, 0x31A, 0x347, 0xFA,  0xFB};
static_assert(std::size(kRefusedDevices) == 21);

float clamp_unit(float c) { return c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c); }

}  // namespace

bool hardware_accepted(const Capabilities& caps, const AdapterIdentity& identity) {
  if (caps.textures_pow2 && !caps.textures_nonpow2_conditional) return false;
  if (caps.pixel_shader_version < kPixelShader30 &&
      caps.ps20_instruction_slots < kMinInstructionSlots)
    return false;
  if (!identity.has_pci_ids || identity.vendor_id != kRefusedVendor) return true;
  return std::find(std::begin(kRefusedDevices), std::end(kRefusedDevices),
                   identity.device_id) == std::end(kRefusedDevices);
}

Device::Device(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}

Device::~Device() { release(); }

CreateStatus Device::create(std::uintptr_t window, int width, int height, int refresh_rate,
                   bool fullscreen) {
  if (!backend_->load_runtime()) {
    show_failure(false, std::string(kRuntimeMissingMessage) + kRuntimeAddress);
    return CreateStatus::runtime_missing;
  }
  runtime_loaded_ = true;
  Capabilities caps;
  if (!backend_->get_capabilities(caps)) return CreateStatus::create_failed;
  max_texture_size_ = std::max(caps.max_texture_width, caps.max_texture_height);

  AdapterIdentity identity;
  if (!backend_->get_adapter_identity(identity) || !hardware_accepted(caps, identity)) {
    show_failure(true, std::string(kHardwareRefusedMessage) + kCardListAddress);
    return CreateStatus::hardware_refused;
  }

  present_params_.back_buffer_width = width;
  present_params_.back_buffer_height = height;
  present_params_.windowed = !fullscreen;
  present_params_.refresh_rate = fullscreen ? refresh_rate : 0;
  if (!backend_->create_device(window, present_params_)) return CreateStatus::create_failed;
  created_ = true;
  if (!backend_->create_quad_declaration()) return CreateStatus::create_failed;
  set_full_target_size(width, height);
  apply_default_states();
  return CreateStatus::created;
}

void Device::show_failure(bool runtime_loaded, const std::string& standard_message) {
  const std::string reason = backend_->failure_reason(runtime_loaded);
  backend_->show_error(reason.empty() ? standard_message.c_str() : reason.c_str());
}

Texture* Device::create_texture() {
  textures_.push_back(std::unique_ptr<Texture>(new Texture(this)));
  return textures_.back().get();
}

Shader* Device::create_shader() {
  shaders_.push_back(std::unique_ptr<Shader>(new Shader(this)));
  return shaders_.back().get();
}

void Device::begin_frame() {
  if (!created_) return;
  if (backend_->test_cooperative_level() == kDeviceNotReset && !reset()) return;
  backend_->begin_scene();
}

void Device::end_frame() {
  if (!created_) return;
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) backend_->set_texture(stage, 0);
  backend_->end_scene();
}

std::int32_t Device::present() {
  if (!created_) return kInvalidCall;
  return backend_->present();
}

bool Device::set_surface_target(SurfaceHandle surface) {
  int width = 0;
  int height = 0;
  if (!backend_->get_surface_size(surface, width, height)) return false;
  if (!backend_->set_render_target(surface)) return false;
  current_target_width_ = width;
  current_target_height_ = height;
  return true;
}

bool Device::set_target(Texture* texture) {
  if (!created_ || texture == nullptr || texture->surface() == 0) return false;
  return set_surface_target(texture->surface());
}

void Device::set_back_buffer_target() {
  if (!created_ || back_buffer_ == 0) return;
  set_surface_target(back_buffer_);
}

void Device::set_blend(int mode) {
  if (!created_) return;
  switch (mode) {
    case kBlendAlpha:
      backend_->set_render_state(RenderState::src_blend, kBlendSrcAlpha);
      backend_->set_render_state(RenderState::dest_blend, kBlendInvSrcAlpha);
      backend_->set_render_state(RenderState::alpha_blend_enable, 1);
      return;
    case kBlendAdditive:
      backend_->set_render_state(RenderState::src_blend, kBlendOne);
      backend_->set_render_state(RenderState::dest_blend, kBlendOne);
      backend_->set_render_state(RenderState::alpha_blend_enable, 1);
      return;
    default:
      // The factors stay as they were; only blending is switched off.
      backend_->set_render_state(RenderState::alpha_blend_enable, 0);
      return;
  }
}

std::int32_t Device::clear(float r, float g, float b) {
  if (!created_) return kInvalidCall;
  const auto channel = [](float c) {
    return static_cast<std::uint32_t>(clamp_unit(c) * 255.0f);  // truncates toward zero
  };
  const std::uint32_t colour = (channel(r) << 16) | (channel(g) << 8) | channel(b);
  return backend_->clear(colour);
}

void Device::draw_quad(float x, float y, float w, float h) {
  const float x0 = 2.0f * x - 1.0f;
  const float y0 = 2.0f * y - 1.0f;
  draw_quad_clip(x0, y0, x0 + 2.0f * w, y0 + 2.0f * h);
}

void Device::draw_quad_clip(float x0, float y0, float x1, float y1) {
  if (!created_ || current_shader_ == nullptr) return;
  // Half a texel of the current target in clip units (a quarter of a pixel), so that
  // texel centres meet pixel centres the way the effects were written for.
  const float hx = current_target_width_ > 0 ? 0.5f / static_cast<float>(current_target_width_)
                                             : 0.0f;
  const float hy = current_target_height_ > 0
                       ? 0.5f / static_cast<float>(current_target_height_)
                       : 0.0f;
  const QuadVertex vertices[4] = {
      {x0 - hx, y1 + hy, 0.0f, 0.0f},
      {x0 - hx, y0 + hy, 0.0f, 1.0f},
      {x1 - hx, y1 + hy, 1.0f, 0.0f},
      {x1 - hx, y0 + hy, 1.0f, 1.0f},
  };
  current_shader_->begin();
  backend_->draw_quad(vertices);
  current_shader_->end();
}

std::int32_t Device::apply_default_states() {
  if (!created_) return kInvalidCall;
  std::int32_t result = kOk;
  const auto keep_first_failure = [&result](std::int32_t r) {
    if (result == kOk) result = r;
  };
  keep_first_failure(backend_->set_render_state(RenderState::z_enable, 0));
  keep_first_failure(backend_->set_render_state(RenderState::z_write_enable, 0));
  keep_first_failure(backend_->set_render_state(RenderState::cull_mode, kCullNone));
  keep_first_failure(backend_->set_render_state(RenderState::alpha_blend_enable, 0));
  if (back_buffer_ != 0) backend_->release_surface(back_buffer_);
  back_buffer_ = backend_->get_back_buffer();
  if (back_buffer_ == 0) {
    keep_first_failure(kInvalidCall);
    return result;
  }
  keep_first_failure(set_surface_target(back_buffer_) ? kOk : kInvalidCall);
  return result;
}

void Device::resize(int width, int height) {
  if (!created_) return;
  const std::int32_t level = backend_->test_cooperative_level();
  if (level != kOk && level != kDeviceNotReset) return;  // lost: try again later
  present_params_.back_buffer_width = width;
  present_params_.back_buffer_height = height;
  reset();
}

bool Device::reset() {
  if (!created_) return false;
  if (back_buffer_ != 0) backend_->release_surface(back_buffer_);
  back_buffer_ = 0;
  for (auto& texture : textures_) texture->on_lost();
  if (!backend_->reset(present_params_)) return false;
  for (auto& texture : textures_) texture->on_reset();
  apply_default_states();
  return true;
}

void Device::release() {
  // Each release removes the object from its list, so take the front until none is left.
  while (!textures_.empty()) textures_.front()->release();
  while (!shaders_.empty()) shaders_.front()->release();
  current_shader_ = nullptr;
  if (back_buffer_ != 0) backend_->release_surface(back_buffer_);
  back_buffer_ = 0;
  if (created_ || runtime_loaded_) backend_->release_device();
  created_ = false;
  runtime_loaded_ = false;
}

void Device::set_full_target_size(int width, int height) {
  full_target_width_ = width;
  full_target_height_ = height;
}

std::vector<Texture*> Device::textures() const {
  std::vector<Texture*> list;
  for (const auto& texture : textures_) list.push_back(texture.get());
  return list;
}

std::vector<Shader*> Device::shaders() const {
  std::vector<Shader*> list;
  for (const auto& shader : shaders_) list.push_back(shader.get());
  return list;
}

bool Device::read_back_buffer(std::vector<std::uint8_t>& rgba, int& width, int& height) {
  if (!created_ || back_buffer_ == 0) return false;
  return backend_->read_surface(back_buffer_, rgba, width, height);
}

bool Device::read_texture(const Texture& texture, std::vector<std::uint8_t>& rgba,
                          int& width, int& height) {
  if (!created_ || texture.surface() == 0) return false;
  return backend_->read_surface(texture.surface(), rgba, width, height);
}

void Device::forget(Texture* texture) {
  // A shader must not keep sampling a texture that no longer exists.
  for (auto& shader : shaders_) shader->unbind(texture);
  auto it = std::find_if(textures_.begin(), textures_.end(),
                         [texture](const auto& owned) { return owned.get() == texture; });
  if (it == textures_.end()) return;
  std::unique_ptr<Texture> doomed = std::move(*it);
  textures_.erase(it);
}

void Device::forget(Shader* shader) {
  if (current_shader_ == shader) current_shader_ = nullptr;
  auto it = std::find_if(shaders_.begin(), shaders_.end(),
                         [shader](const auto& owned) { return owned.get() == shader; });
  if (it == shaders_.end()) return;
  std::unique_ptr<Shader> doomed = std::move(*it);
  shaders_.erase(it);
}

}  // namespace bw::device
