// The narrow interface between the device layer and a graphics API.
//
// Device, Texture and Shader keep every rule of the device layer (lists and ownership,
// the half-texel quad, the blend table, parameter lookup by name, the filter rule, the
// reset of textures) and express each step as one of the calls below, which mirror the
// Direct3D 9 calls such a step makes. A backend does only what Direct3D 9 would do for
// that call: the GL backend draws with OpenGL, the trace backend records the calls.
//
// Conventions shared by every backend:
//   1. Handles are small positive integers; 0 means "none". A failed creation returns 0
//      and a 0 handle passed anywhere is harmless.
//   2. Every texture is a single-level 32-bit render target whose memory holds, for each
//      pixel, the bytes blue, green, red, alpha (the A8R8G8B8 layout), rows from the top
//      of the image (row 0 is texture coordinate v = 0).
//   3. A surface is the level-0 image of a texture, or the back buffer; it is what a
//      render target and a stretch copy name.
//   4. Render-state, sampler-state and blend values carry the Direct3D 9 numbers, so that
//      a recorded trace reads like the calls a Direct3D 9 device would receive.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bw::device {

using TextureHandle = std::uint32_t;  // a texture; 0 is none
using SurfaceHandle = std::uint32_t;  // a render-target surface; 0 is none
using ProgramHandle = std::uint32_t;  // a linked vertex + pixel shader pair; 0 is none

// Result codes of the frame calls, with the Direct3D 9 values.
inline constexpr std::int32_t kOk = 0;                                      // D3D_OK
inline constexpr std::int32_t kDeviceLost = static_cast<std::int32_t>(0x88760868u);
inline constexpr std::int32_t kDeviceNotReset = static_cast<std::int32_t>(0x88760869u);
inline constexpr std::int32_t kInvalidCall = static_cast<std::int32_t>(0x8876086Cu);

// Render states the device sets (D3DRENDERSTATETYPE values).
enum class RenderState : std::uint32_t {
  z_enable = 7,
  z_write_enable = 14,
  src_blend = 19,
  dest_blend = 20,
  cull_mode = 22,
  alpha_blend_enable = 27,
};

// Blend factors (D3DBLEND values) used by the blend table.
inline constexpr std::uint32_t kBlendOne = 2;
inline constexpr std::uint32_t kBlendSrcAlpha = 5;
inline constexpr std::uint32_t kBlendInvSrcAlpha = 6;
// D3DCULL_NONE.
inline constexpr std::uint32_t kCullNone = 1;

// Sampler states the device sets (D3DSAMPLERSTATETYPE values).
enum class SamplerState : std::uint32_t {
  address_u = 1,
  address_v = 2,
  address_w = 3,
  mag_filter = 5,
  min_filter = 6,
  mip_filter = 7,
};

// Texture filters (D3DTEXTUREFILTERTYPE values).
inline constexpr std::uint32_t kFilterPoint = 1;
inline constexpr std::uint32_t kFilterLinear = 2;
// Texture addressing (D3DTEXTUREADDRESS values).
inline constexpr std::uint32_t kAddressWrap = 1;
inline constexpr std::uint32_t kAddressMirror = 2;
inline constexpr std::uint32_t kAddressClamp = 3;

// Number of texture stages the device unbinds after a draw and at the end of a frame.
inline constexpr std::uint32_t kTextureStages = 16;

// One corner of the quad: clip-space position and texture coordinate (16 bytes).
struct QuadVertex {
  float x, y;  // clip space
  float u, v;  // texture coordinate; v = 0 is texture row 0, the top of the image
};
static_assert(sizeof(QuadVertex) == 16);

// What the hardware check needs to know about the adapter.
struct Capabilities {
  bool textures_pow2 = false;                 // textures must have power-of-two sides ...
  bool textures_nonpow2_conditional = false;  // ... except under conditions (then allowed)
  std::uint32_t pixel_shader_version = 0;     // encoded like 0xFFFF0300 for 3.0
  std::uint32_t ps20_instruction_slots = 0;   // instruction slots of a 2.x pixel shader
  std::uint32_t max_texture_width = 0;        // largest texture width
  std::uint32_t max_texture_height = 0;       // largest texture height
};

// The adapter's identity. `has_pci_ids` is false when the driver reports none (a software
// rasteriser); the card list then has nothing to match.
struct AdapterIdentity {
  bool has_pci_ids = false;  // vendor_id and device_id are meaningful
  std::uint32_t vendor_id = 0;
  std::uint32_t device_id = 0;
};

// Presentation settings kept for creation and resets.
struct PresentParams {
  int back_buffer_width = 0;   // back buffer size in pixels
  int back_buffer_height = 0;
  bool windowed = true;        // false: exclusive full screen at refresh_rate
  int refresh_rate = 0;        // Hz, only used when not windowed
};

// The graphics API seen by the device layer. Single-threaded, like the device.
class Backend {
 public:
  virtual ~Backend() = default;

  // --- creation (Device::create) -----------------------------------------------------
  // Loads the graphics runtime; false when it is missing or too old.
  virtual bool load_runtime() = 0;
  // Reads the adapter's capabilities; false on failure.
  virtual bool get_capabilities(Capabilities& caps) = 0;
  // Reads the adapter's identity; false on failure.
  virtual bool get_adapter_identity(AdapterIdentity& identity) = 0;
  // Creates the device drawing to `window` (0: no window, headless); false on failure.
  virtual bool create_device(std::uintptr_t window, const PresentParams& params) = 0;
  // Creates the vertex declaration of QuadVertex and makes it current; false on failure.
  virtual bool create_quad_declaration() = 0;
  // Shows a message the user must see at start-up ("Error" box or its equivalent).
  virtual void show_error(const char* text) = 0;
  // Why the runtime did not load (`runtime_loaded` false) or the adapter was refused, in
  // this platform's own terms and one line, shown in place of the standard message;
  // empty: the standard message, which speaks of Direct3D 9 and its download.
  virtual std::string failure_reason(bool /*runtime_loaded*/) { return {}; }
  // Releases the declaration, the device and the runtime's objects.
  virtual void release_device() = 0;
  // Video memory in megabytes as the driver reports it; 0 when unknown.
  virtual std::uint32_t video_memory_mb() { return 0; }

  // --- device state ------------------------------------------------------------------
  // kOk, kDeviceLost or kDeviceNotReset.
  virtual std::int32_t test_cooperative_level() = 0;
  // Resets the device with new presentation settings; every texture and surface must
  // have been released before. Programs and the quad declaration survive. False on
  // failure.
  virtual bool reset(const PresentParams& params) = 0;
  // Sets one render state (Direct3D 9 numbers).
  virtual std::int32_t set_render_state(RenderState state, std::uint32_t value) = 0;

  // --- frames ------------------------------------------------------------------------
  virtual std::int32_t begin_scene() = 0;   // starts drawing a frame
  virtual std::int32_t end_scene() = 0;     // ends drawing a frame
  virtual std::int32_t present() = 0;       // shows the back buffer (or keeps it)
  // Clears the current render target to 0x00RRGGBB (alpha 0).
  virtual std::int32_t clear(std::uint32_t colour) = 0;
  // Draws one 4-vertex triangle strip with the current program and textures.
  virtual std::int32_t draw_quad(const QuadVertex (&vertices)[4]) = 0;

  // --- textures and surfaces ---------------------------------------------------------
  // A render-target texture of that size with undefined contents; 0 on failure.
  virtual TextureHandle create_texture(int width, int height) = 0;
  // The level-0 surface of a texture (a new reference); 0 on failure.
  virtual SurfaceHandle get_surface(TextureHandle texture) = 0;
  // The back buffer (a new reference); 0 on failure.
  virtual SurfaceHandle get_back_buffer() = 0;
  // The current render target 0 (a new reference); 0 on failure.
  virtual SurfaceHandle get_render_target() = 0;
  // Drops one reference to a surface.
  virtual void release_surface(SurfaceHandle surface) = 0;
  // Drops the texture; its surfaces stop being usable.
  virtual void release_texture(TextureHandle texture) = 0;
  // Size of a surface; false when it does not exist.
  virtual bool get_surface_size(SurfaceHandle surface, int& width, int& height) = 0;
  // Makes a surface render target 0; false on failure.
  virtual bool set_render_target(SurfaceHandle surface) = 0;
  // Fills a whole texture from `width` x `height` pixels in its memory layout (blue,
  // green, red, alpha; rows from the top, no padding). False on failure.
  virtual bool update_texture(TextureHandle texture, const std::uint8_t* bgra, int width,
                              int height) = 0;
  // Copies the whole of `source` onto the whole of `destination`, scaling with linear
  // filtering when the sizes differ.
  virtual std::int32_t stretch_rect(SurfaceHandle source, SurfaceHandle destination) = 0;

  // --- shaders -----------------------------------------------------------------------
  // Creates the vertex and pixel shader pair from two Direct3D 9 token streams; 0 when
  // either cannot be created.
  virtual ProgramHandle create_program(std::span<const std::uint32_t> vertex_tokens,
                                       std::span<const std::uint32_t> pixel_tokens) = 0;
  // Drops a program.
  virtual void release_program(ProgramHandle program) = 0;
  // Makes a program current (its vertex and its pixel shader).
  virtual void set_program(ProgramHandle program) = 0;
  // Sets one float4 vertex-shader constant register.
  virtual void set_vertex_constant(std::uint32_t reg, const float (&value)[4]) = 0;
  // Sets one float4 pixel-shader constant register.
  virtual void set_pixel_constant(std::uint32_t reg, const float (&value)[4]) = 0;
  // Binds a texture (or none) to a sampler stage.
  virtual void set_texture(std::uint32_t stage, TextureHandle texture) = 0;
  // Sets one sampler state of a stage (Direct3D 9 numbers).
  virtual void set_sampler_state(std::uint32_t stage, SamplerState state,
                                 std::uint32_t value) = 0;

  // --- read-back (tests and headless rendering) --------------------------------------
  // Reads a whole surface as red, green, blue, alpha bytes, rows from the top (row 0 is
  // v = 0). False when the backend keeps no pixels or the surface does not exist.
  virtual bool read_surface(SurfaceHandle surface, std::vector<std::uint8_t>& rgba,
                            int& width, int& height) = 0;
};

}  // namespace bw::device
