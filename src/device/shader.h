// Shader: one painting effect, a vertex and a pixel shader loaded from a .bsf image, with
// the tables that place each named parameter in a constant register and each named
// sampler in a texture stage.
//
// Parameters are set by name and textures bound by the sampler name "texSampler%d"; both
// persist in the Shader and reach the device only at the next Shader::begin, which the
// device calls around every quad.
//
// Invariants:
//   1. A Shader is made only by Device::create_shader and lives in that device's list
//      until Shader::release (or Device::release) destroys it.
//   2. Every constant's `last` lies in 0..3, so a set never writes past its float4 slot;
//      every pixel sampler's stage lies in 0..15.
//   3. A name lookup takes the first entry in table order whose name matches exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/backend.h"

namespace bw::device {

class Device;
class Texture;

// A constant of one shader: its name, how many floats a set writes (last + 1), its float4
// register and the value uploaded at every begin.
struct ShaderConstant {
  std::string name;                 // parameter name, compared byte for byte
  std::uint32_t last = 0;           // floats written by a set, minus one (0..3)
  std::uint32_t reg = 0;            // float4 constant register
  float value[4] = {0, 0, 0, 0};    // uploaded whole; zero after loading
};

// A sampler of one shader: its name, its texture stage and the texture bound to it.
struct ShaderSampler {
  std::string name;                 // sampler name, "texSampler%d" for the engine's
  std::uint32_t reg = 0;            // texture stage
  Texture* texture = nullptr;       // bound texture (not owned); none after loading
};

class Shader {
 public:
  // Reads a .bsf image (may be null) and creates both shaders; false on a wrong magic, an
  // image that ends before its counts and sizes say, a bad table entry, or a shader the
  // backend cannot create. Tables read before a failure stay until release().
  bool load(const void* image, std::size_t size);
  // Copies last + 1 floats from `values` into the first vertex constant named `name`
  // and, independently, into the first pixel constant of that name. A name neither
  // table declares changes nothing, returns false and is remembered in unknown_params(),
  // so that a misspelt name in a pass or an effect can be found.
  bool set_param(const char* name, const float* values);
  // Binds `texture` (may be null) to the first pixel sampler named "texSampler<index>".
  void set_texture(int index, Texture* texture);
  // Makes the effect current: program, every constant, every pixel sampler's texture and
  // its sampling states.
  void begin();
  // Unbinds texture stages 0 to 15.
  void end();
  // Frees the tables and the program, leaves the device's list and destroys this
  // Shader: the pointer must not be used afterwards.
  void release();

  // The owning device.
  Device* device() const { return device_; }
  // The backend program; 0 until a successful load.
  ProgramHandle program() const { return program_; }
  // The four tables, in image order.
  const std::vector<ShaderConstant>& vertex_constants() const { return vertex_constants_; }
  const std::vector<ShaderSampler>& vertex_samplers() const { return vertex_samplers_; }
  const std::vector<ShaderConstant>& pixel_constants() const { return pixel_constants_; }
  const std::vector<ShaderSampler>& pixel_samplers() const { return pixel_samplers_; }
  // The names given to set_param that this effect does not declare, each once, in the
  // order first seen.
  const std::vector<std::string>& unknown_params() const { return unknown_params_; }

 private:
  friend class Device;
  explicit Shader(Device* device) : device_(device) {}
  // Drops every binding of `texture` (about to be destroyed).
  void unbind(const Texture* texture);

  Device* device_;
  std::vector<ShaderConstant> vertex_constants_;
  std::vector<ShaderSampler> vertex_samplers_;
  std::vector<ShaderConstant> pixel_constants_;
  std::vector<ShaderSampler> pixel_samplers_;
  std::vector<std::string> unknown_params_;
  ProgramHandle program_ = 0;
};

}  // namespace bw::device

namespace bw {
using device::Shader;
}  // namespace bw
