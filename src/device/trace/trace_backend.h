// The trace backend: draws nothing and records every backend call with its arguments,
// so that tests check the exact sequence of calls without a GPU.
//
// Handles come from one counter (1, 2, 3 ...) shared by textures, surfaces and programs,
// so every handle in a trace names one object. Texture sizes, the back buffer size and
// the current render target are tracked so that size queries answer as a device would.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/backend.h"

namespace bw::device {

// One recorded call.
struct TraceCall {
  std::string name;          // the Backend operation, e.g. "set_sampler_state"
  std::vector<double> args;  // its arguments in order (handles, enums and floats)
  // "name(a, b, ...)": integers in decimal, floats with 9 significant digits.
  std::string text() const;
};

class TraceBackend : public Backend {
 public:
  // --- what the simulated adapter reports (set before Device::create) ---------------
  bool runtime_present = true;        // load_runtime() result
  bool capabilities_readable = true;  // get_capabilities() result
  bool identity_readable = true;      // get_adapter_identity() result
  Capabilities capabilities{false, false, 0xFFFF0300u, 512, 4096, 4096};
  AdapterIdentity identity;           // no PCI identifiers by default
  std::uint32_t video_memory = 0;     // video_memory_mb() result

  // --- failures to inject --------------------------------------------------------------
  bool fail_create_device = false;
  bool fail_quad_declaration = false;
  bool fail_create_texture = false;
  bool fail_update_texture = false;
  bool fail_create_program = false;
  bool fail_reset = false;
  // test_cooperative_level() result: kOk, kDeviceLost or kDeviceNotReset.
  std::int32_t cooperative_level = kOk;

  // --- the record ----------------------------------------------------------------------
  std::vector<TraceCall> calls;       // every call in order
  std::vector<std::string> errors;    // texts passed to show_error
  std::string own_reason;             // failure_reason's answer ("": the standard message)
  // Every call's text, in order.
  std::vector<std::string> texts() const;
  // Texts of the calls named `name`, in order.
  std::vector<std::string> texts_of(const std::string& name) const;
  // Forgets the calls recorded so far.
  void clear_calls() { calls.clear(); }

  // --- the simulated objects -------------------------------------------------------------
  // Live textures by handle with their size.
  struct Size { int width = 0; int height = 0; };
  std::map<TextureHandle, Size> live_textures;
  // Live programs by handle.
  std::map<ProgramHandle, bool> live_programs;
  // The current render target (a surface), 0 before the first set.
  SurfaceHandle render_target = 0;
  // The back buffer's surface handle, 0 when not fetched.
  SurfaceHandle back_buffer = 0;
  // The last presentation settings given to create_device or reset.
  PresentParams params;

  // Backend
  bool load_runtime() override;
  bool get_capabilities(Capabilities& caps) override;
  bool get_adapter_identity(AdapterIdentity& id) override;
  bool create_device(std::uintptr_t window, const PresentParams& present) override;
  bool create_quad_declaration() override;
  void show_error(const char* text) override;
  std::string failure_reason(bool) override { return own_reason; }
  void release_device() override;
  std::uint32_t video_memory_mb() override { return video_memory; }
  std::int32_t test_cooperative_level() override;
  bool reset(const PresentParams& present) override;
  std::int32_t set_render_state(RenderState state, std::uint32_t value) override;
  std::int32_t begin_scene() override;
  std::int32_t end_scene() override;
  std::int32_t present() override;
  std::int32_t clear(std::uint32_t colour) override;
  std::int32_t draw_quad(const QuadVertex (&vertices)[4]) override;
  TextureHandle create_texture(int width, int height) override;
  SurfaceHandle get_surface(TextureHandle texture) override;
  SurfaceHandle get_back_buffer() override;
  SurfaceHandle get_render_target() override;
  void release_surface(SurfaceHandle surface) override;
  void release_texture(TextureHandle texture) override;
  bool get_surface_size(SurfaceHandle surface, int& width, int& height) override;
  bool set_render_target(SurfaceHandle surface) override;
  bool update_texture(TextureHandle texture, const std::uint8_t* bgra, int width,
                      int height) override;
  std::int32_t stretch_rect(SurfaceHandle source, SurfaceHandle destination) override;
  ProgramHandle create_program(std::span<const std::uint32_t> vertex_tokens,
                               std::span<const std::uint32_t> pixel_tokens) override;
  void release_program(ProgramHandle program) override;
  void set_program(ProgramHandle program) override;
  void set_vertex_constant(std::uint32_t reg, const float (&value)[4]) override;
  void set_pixel_constant(std::uint32_t reg, const float (&value)[4]) override;
  void set_texture(std::uint32_t stage, TextureHandle texture) override;
  void set_sampler_state(std::uint32_t stage, SamplerState state,
                         std::uint32_t value) override;
  bool read_surface(SurfaceHandle surface, std::vector<std::uint8_t>& rgba, int& width,
                    int& height) override;

 private:
  void record(std::string name, std::vector<double> args);
  std::uint32_t next_handle_ = 1;
  // Surfaces by handle: the texture they belong to (0 for the back buffer).
  std::map<SurfaceHandle, TextureHandle> surfaces_;
};

}  // namespace bw::device
