// The OpenGL 3.3 core backend over EGL: a window surface on an X11 window given by the
// host, or no window at all for headless rendering (Mesa's surfaceless platform, else a
// small pbuffer).
//
// How it keeps Direct3D 9's results:
//   1. Every texture, and the back buffer, holds rows in Direct3D 9 memory order: memory
//      row 0 is the top of the image (v = 0). Draws flip y on the way to the target, so an
//      upload, a copy and a render leave the same bytes as on Direct3D 9; read-back
//      returns memory rows in order.
//   2. Pixel centres lie half a pixel apart between the two APIs: every draw shifts its
//      positions by half a pixel (the translated program's position hook), so each pixel
//      samples where Direct3D 9 samples it.
//   3. A texture drawn at one texel per pixel or larger is magnified on every pixel, and
//      minified only when the quad is smaller than the texture, so the magnification
//      filter decides a full-size draw on both of its triangles.
//   4. Constants live in register files of the backend, as on Direct3D 9, and are uploaded
//      as whole float4 registers to the current program at each draw.
//   5. The back buffer is an off-screen target of the device's size; present() shows it
//      on the window, or keeps it for read-back when headless.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "device/backend.h"

namespace bw::bytecode {
struct GlslProgram;
}

namespace bw::device {

// How the backend reaches a display.
struct GlBackendOptions {
  // An open X11 Display* for window surfaces; null: open one when a window is given.
  void* x_display = nullptr;
  // True: draw to the window given to Device::create; false: headless (window 0).
  bool use_window = false;
  // An open wl_display* when the windows are Wayland surfaces: the window given to
  // Device::create is then a wl_egl_window*. Every backend on one wl_display shares its
  // EGL display, which open_wayland_egl opens and close_wayland_egl ends.
  void* wl_display = nullptr;
};

// Opens (initialises) the EGL display of a Wayland connection, before any backend draws
// on it; false with a message in `error` when EGL offers no Wayland platform or cannot
// start on it.
bool open_wayland_egl(void* wl_display, std::string& error);
// Ends the EGL display of a Wayland connection, after the last backend on it is gone and
// before the connection closes.
void close_wayland_egl(void* wl_display);

class GlContext;

// Turns a vertex and a pixel token stream into GLSL sources; none with a message on
// failure. The backend uses the effect translator unless told otherwise.
using GlslTranslator = std::function<std::optional<bytecode::GlslProgram>(
    std::span<const std::uint32_t> vertex_tokens, std::span<const std::uint32_t> pixel_tokens,
    std::string& error)>;

class GlBackend : public Backend {
 public:
  explicit GlBackend(GlBackendOptions options);
  ~GlBackend() override;

  // Makes a program from GLSL sources that follow the translator's interface (vs_c, ps_c,
  // ps_s<n>, bw_position, attribute locations 0 and 1); 0 on failure (see last_error).
  ProgramHandle create_program_from_glsl(const bytecode::GlslProgram& glsl);
  // Replaces the translator that create_program uses (hand-written programs in tests and
  // benchmarks).
  void set_translator(GlslTranslator translator) { translator_ = std::move(translator); }
  // The message of the last program that failed to translate, compile or link.
  const std::string& last_error() const { return last_error_; }
  // Waits until every command given so far has finished (for timing).
  void finish();
  // Makes this backend's context (and window surface) current: a host that draws
  // several windows, each with a backend of its own, calls it before using one.
  void make_current();
  // The GL_RENDERER string, empty before load_runtime.
  std::string renderer() const;
  // The GL errors raised since the last call, as "0x0502 0x0506", and clears them; empty
  // when there were none (or there is no context).
  std::string take_errors();

  // Backend
  bool load_runtime() override;
  bool get_capabilities(Capabilities& caps) override;
  bool get_adapter_identity(AdapterIdentity& identity) override;
  bool create_device(std::uintptr_t window, const PresentParams& params) override;
  bool create_quad_declaration() override;
  void show_error(const char* text) override;
  std::string failure_reason(bool runtime_loaded) override;
  void release_device() override;
  std::uint32_t video_memory_mb() override;
  std::int32_t test_cooperative_level() override;
  bool reset(const PresentParams& params) override;
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

  // The backend's GL objects and Direct3D 9 state (defined with the backend).
  struct State;

 private:
  // Carries out the draw still owed to the back buffer, if any.
  void flush_pending();

  GlBackendOptions options_;
  std::unique_ptr<GlContext> context_;
  std::unique_ptr<State> state_;
  std::string last_error_;
  GlslTranslator translator_;
};

// A GL backend, headless (no window) or for an X11 window.
std::unique_ptr<GlBackend> make_gl_backend(GlBackendOptions options = {});

}  // namespace bw::device
