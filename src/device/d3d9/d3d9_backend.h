// The Direct3D 9 backend (Windows build): each Backend call is the Direct3D 9 call of the
// same name, on the runtime loaded at run time from d3d9.dll.
//
// How it maps the interface:
//   1. Handles name COM references held by the backend: a texture handle one
//      IDirect3DTexture9 reference, a surface handle one IDirect3DSurface9 reference
//      (so two handles may name the same surface), a program handle one vertex and one
//      pixel shader.
//   2. Token streams are checked whole by the effect decoder before the runtime sees
//      them: the runtime reads up to the end token and trusts every length on the way.
//      What the decoder accepts, the runtime may still refuse; the program then fails.
//   3. With no window (headless), the device runs on a hidden window of the backend's
//      own with a back buffer of the requested size, and present() keeps the back buffer
//      for read-back instead of showing it (a discarded swap chain loses its contents).
//   4. A reset returns every device state to its default; the quad declaration is made
//      current again after it.
//   5. One filter for the whole quad, as Direct3D 9 defines it for a quad drawn at one
//      texel per pixel or larger: a texture that every pixel magnifies is sampled with
//      the stage's magnification filter everywhere. Some runtimes (Wine's, over OpenGL)
//      compute a level of detail a little above 0 on some pixels of such a quad and take
//      the minification filter there; with the quad's quarter-pixel offset a linear
//      minification mixes a quarter of the neighbouring texel into those pixels, so a
//      full-size copy was no longer texel for texel. The stage's minification filter is
//      therefore set, per draw, to its magnification filter while its texture is
//      magnified, and back to the requested one otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/backend.h"

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DTexture9;
struct IDirect3DSurface9;
struct IDirect3DVertexShader9;
struct IDirect3DPixelShader9;
struct IDirect3DVertexDeclaration9;
struct HINSTANCE__;
struct HWND__;

namespace bw::device {

// How the backend reaches Direct3D 9. The defaults are what the saver uses; tests change
// the seams to see the failures of a missing runtime, a refused card or a failing call.
struct D3d9BackendOptions {
  // True: draw to the window given to Device::create; false: headless (window 0).
  bool use_window = false;
  // The runtime library and its creation entry.
  std::string library = "d3d9.dll";
  std::string entry = "Direct3DCreate9";
  // When set, receives the Direct3D object just created (its one reference) and returns
  // the object the backend uses instead (a test's stand-in that refuses calls).
  std::function<IDirect3D9*(IDirect3D9*)> wrap_direct3d;
  // When set, receives the start-up messages instead of the message box.
  std::function<void(const char*)> report_error;
  // The monitor (an HMONITOR) the window shows on: the device is made on the adapter that
  // drives it, so that its frames need no copy from another card. None: the default.
  void* monitor = nullptr;
};

class D3d9Backend : public Backend {
 public:
  explicit D3d9Backend(D3d9BackendOptions options);
  ~D3d9Backend() override;
  D3d9Backend(const D3d9Backend&) = delete;
  D3d9Backend& operator=(const D3d9Backend&) = delete;

  // The call that failed last, with its result ("CreatePixelShader: 0x8876086C").
  const std::string& last_error() const { return last_error_; }
  // The adapter's description as the driver gives it, empty before load_runtime.
  std::string adapter_description() const;

  // Backend
  bool load_runtime() override;
  // Names what is missing when the runtime did not load, and where the README says more.
  std::string failure_reason(bool runtime_loaded) override;
  bool get_capabilities(Capabilities& caps) override;
  bool get_adapter_identity(AdapterIdentity& identity) override;
  bool create_device(std::uintptr_t window, const PresentParams& params) override;
  bool create_quad_declaration() override;
  void show_error(const char* text) override;
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

 private:
  struct Program {
    IDirect3DVertexShader9* vertex = nullptr;
    IDirect3DPixelShader9* pixel = nullptr;
  };
  // Records a failed call for last_error(); returns false.
  bool failed(const char* call, long result);
  // Fills the presentation parameters of the table kept for creation and resets.
  void fill_present_parameters(const PresentParams& params, void* out) const;
  IDirect3DSurface9* surface(SurfaceHandle handle) const;
  SurfaceHandle keep_surface(IDirect3DSurface9* surface);
  void destroy_hidden_window();

  D3d9BackendOptions options_;
  HINSTANCE__* library_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  unsigned adapter_ = 0;  // the adapter of options_.monitor, once the runtime is loaded
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexDeclaration9* quad_declaration_ = nullptr;
  HWND__* hidden_window_ = nullptr;  // the device window when headless
  std::uint32_t next_handle_ = 1;
  std::map<TextureHandle, IDirect3DTexture9*> textures_;
  std::map<SurfaceHandle, IDirect3DSurface9*> surfaces_;
  std::map<ProgramHandle, Program> programs_;
  TextureHandle stage_textures_[kTextureStages] = {};  // what each stage samples
  // The filters each stage was asked for, and the minification filter it has now.
  std::uint32_t mag_filters_[kTextureStages] = {};
  std::uint32_t min_filters_[kTextureStages] = {};
  std::uint32_t applied_min_filters_[kTextureStages] = {};
  // Size of render target 0 in pixels, learned when it is made current.
  int target_width_ = 0;
  int target_height_ = 0;
  // Applies convention 5 to every stage that samples a texture, for this quad.
  void choose_quad_filters(const QuadVertex (&vertices)[4]);
  std::string last_error_;
  std::string missing_;  // what load_runtime did not find, for the user
};

// A Direct3D 9 backend, headless (no window) or for a window given to Device::create.
std::unique_ptr<D3d9Backend> make_d3d9_backend(D3d9BackendOptions options = {});

}  // namespace bw::device
