#include "device/shader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "bytecode/bsf.h"
#include "device/device.h"
#include "device/texture.h"

namespace bw::device {
namespace {

std::vector<ShaderConstant> constants_from(const std::vector<bytecode::ShaderConstant>& read) {
  std::vector<ShaderConstant> table(read.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    table[i].name = read[i].name;
    table[i].last = read[i].last;
    table[i].reg = read[i].reg;
  }
  return table;
}

std::vector<ShaderSampler> samplers_from(const std::vector<bytecode::ShaderSampler>& read) {
  std::vector<ShaderSampler> table(read.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    table[i].name = read[i].name;
    table[i].reg = read[i].reg;
  }
  return table;
}

// The first entry of `table` whose name is `name`, or null.
template <typename Entry>
Entry* find_named(std::vector<Entry>& table, const char* name) {
  for (Entry& entry : table)
    if (entry.name == name) return &entry;
  return nullptr;
}

void set_filter_states(Backend& backend, std::uint32_t stage, const Texture& texture) {
  const Device& device = *texture.device();
  switch (texture.filter()) {
    case kFilterModePoint:
      backend.set_sampler_state(stage, SamplerState::mag_filter, kFilterPoint);
      backend.set_sampler_state(stage, SamplerState::min_filter, kFilterPoint);
      backend.set_sampler_state(stage, SamplerState::mip_filter, kFilterPoint);
      return;
    case kFilterModeSmooth: {
      // A texture of the full target size is drawn one texel per pixel: magnifying it
      // with point sampling keeps it sharp.
      const bool full_size = texture.width == device.full_target_width() &&
                             texture.height == device.full_target_height();
      backend.set_sampler_state(stage, SamplerState::mag_filter,
                                full_size ? kFilterPoint : kFilterLinear);
      backend.set_sampler_state(stage, SamplerState::min_filter, kFilterLinear);
      backend.set_sampler_state(stage, SamplerState::mip_filter, kFilterPoint);
      return;
    }
    default:
      return;  // sampling states stay as they were
  }
}

void set_address_states(Backend& backend, std::uint32_t stage, int address) {
  std::uint32_t value = 0;
  switch (address) {
    case kAddressModeWrap: value = kAddressWrap; break;
    case kAddressModeClamp: value = kAddressClamp; break;
    case kAddressModeMirror: value = kAddressMirror; break;
    default: return;  // addressing stays as it was
  }
  backend.set_sampler_state(stage, SamplerState::address_u, value);
  backend.set_sampler_state(stage, SamplerState::address_v, value);
  backend.set_sampler_state(stage, SamplerState::address_w, value);
}

}  // namespace

bool Shader::load(const void* image, std::size_t size) {
  if (image == nullptr) return false;
  std::string error;
  const std::optional<bytecode::BsfImage> bsf = bytecode::read_bsf(
      std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(image), size), error);
  if (!bsf) return false;
  vertex_constants_ = constants_from(bsf->vs.constants);
  vertex_samplers_ = samplers_from(bsf->vs.samplers);
  pixel_constants_ = constants_from(bsf->ps.constants);
  pixel_samplers_ = samplers_from(bsf->ps.samplers);
  Backend* backend = device_->backend();
  if (!device_->created()) return false;
  if (program_ != 0) backend->release_program(program_);
  program_ = backend->create_program(bsf->vs.code, bsf->ps.code);
  return program_ != 0;
}

bool Shader::set_param(const char* name, const float* values) {
  if (name == nullptr || values == nullptr) return false;
  bool found = false;
  for (std::vector<ShaderConstant>* table : {&vertex_constants_, &pixel_constants_}) {
    ShaderConstant* constant = find_named(*table, name);
    if (constant == nullptr) continue;
    std::memcpy(constant->value, values, (constant->last + 1) * sizeof(float));
    found = true;
  }
  if (!found && std::find(unknown_params_.begin(), unknown_params_.end(), name) ==
                    unknown_params_.end()) {
    unknown_params_.emplace_back(name);
  }
  return found;
}

void Shader::set_texture(int index, Texture* texture) {
  char name[32];
  std::snprintf(name, sizeof name, "texSampler%d", index);
  ShaderSampler* sampler = find_named(pixel_samplers_, name);
  if (sampler != nullptr) sampler->texture = texture;
}

void Shader::begin() {
  if (!device_->created()) return;
  Backend& backend = *device_->backend();
  backend.set_program(program_);
  for (const ShaderConstant& constant : vertex_constants_)
    backend.set_vertex_constant(constant.reg, constant.value);
  for (const ShaderConstant& constant : pixel_constants_)
    backend.set_pixel_constant(constant.reg, constant.value);
  for (const ShaderSampler& sampler : pixel_samplers_) {
    if (sampler.texture == nullptr) {
      backend.set_texture(sampler.reg, 0);
      continue;
    }
    backend.set_texture(sampler.reg, sampler.texture->handle());
    set_filter_states(backend, sampler.reg, *sampler.texture);
    set_address_states(backend, sampler.reg, sampler.texture->address());
  }
}

void Shader::end() {
  if (!device_->created()) return;
  Backend& backend = *device_->backend();
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) backend.set_texture(stage, 0);
}

void Shader::unbind(const Texture* texture) {
  for (ShaderSampler& sampler : pixel_samplers_)
    if (sampler.texture == texture) sampler.texture = nullptr;
  for (ShaderSampler& sampler : vertex_samplers_)
    if (sampler.texture == texture) sampler.texture = nullptr;
}

void Shader::release() {
  vertex_constants_.clear();
  vertex_samplers_.clear();
  pixel_constants_.clear();
  pixel_samplers_.clear();
  if (program_ != 0) device_->backend()->release_program(program_);
  program_ = 0;
  device_->forget(this);  // destroys this Shader
}

}  // namespace bw::device
