// Device: the one graphics device of the saver.
//
// It checks the hardware, creates the device over a Backend, and offers the painting
// engine its small vocabulary: frames, targets, blend modes, clears and the textured
// full-target quad drawn with the current Shader. It owns every Texture and Shader made
// through it and restores the textures when the device has to be reset.
//
// Invariants:
//   1. `textures()` and `shaders()` hold every live object made through this device, in
//      creation order; releasing one removes it (first occurrence, others keep order).
//   2. The quad's half-texel offset uses the size of the render target last made current
//      successfully, never the size of the texture that is sampled.
//   3. Render states change only in the operations that name them, never per draw.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "device/backend.h"
#include "device/texture.h"

namespace bw::device {

class Texture;
class Shader;

// Results of Device::create.
enum class CreateStatus {
  created,           // device ready
  create_failed,     // a call during creation failed (no message)
  runtime_missing,   // graphics runtime missing or too old (message shown)
  hardware_refused,  // the video card cannot run the effects (message shown)
};

// First words of the two standard start-up messages (the Direct3D 9 build's); the full
// texts end with a web address. A backend with its own reason shows that instead.
inline constexpr const char* kRuntimeMissingMessage =
    "Your computer does not have an up to date DirectX 9 installed.\n"
    "Please download and install the latest version of DirectX from\n";
inline constexpr const char* kHardwareRefusedMessage =
    "This screen saver does not support your video card.\n\n"
    "For a complete list of supported video cards check\n";

// Blend modes of Device::set_blend.
inline constexpr int kBlendNone = 0;      // blending off, factors kept
inline constexpr int kBlendAlpha = 1;     // source alpha, inverse source alpha
inline constexpr int kBlendAdditive = 2;  // one, one

// The hardware check on an adapter's capabilities and identity: true when accepted.
bool hardware_accepted(const Capabilities& caps, const AdapterIdentity& identity);

class Device {
 public:
  // A device that will talk to `backend`; nothing is created until Device::create.
  explicit Device(std::unique_ptr<Backend> backend);
  // Runs release().
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  // Loads the runtime, checks the hardware, creates the device; a CreateStatus.
  CreateStatus create(std::uintptr_t window, int width, int height, int refresh_rate,
             bool fullscreen);
  // Video memory in megabytes as the driver reports it; 0 when unknown.
  std::uint32_t video_memory_mb() const { return backend_->video_memory_mb(); }
  // Larger of the adapter's maximum texture width and height, recorded at creation.
  std::uint32_t max_texture_size() const { return max_texture_size_; }
  // The backend, used by Texture and Shader; null after release().
  Backend* backend() const { return backend_.get(); }
  // True between a successful create() and release().
  bool created() const { return created_; }

  // A new empty texture owned by this device, appended to textures().
  Texture* create_texture();
  // A new empty shader owned by this device, appended to shaders().
  Shader* create_shader();

  // Resets a device that needs it, then begins the scene.
  void begin_frame();
  // Unbinds texture stages 0 to 15, then ends the scene.
  void end_frame();
  // Shows the back buffer; the backend's result.
  std::int32_t present();

  // Makes the texture's surface render target 0; false (nothing changed) on failure.
  bool set_target(Texture* texture);
  // Makes the back buffer render target 0 again.
  void set_back_buffer_target();
  // Blend mode 1 (alpha), 2 (additive) or anything else (blending off, factors kept).
  void set_blend(int mode);
  // The shader that the next quads draw with (not owned; may be null).
  void set_shader(Shader* shader) { current_shader_ = shader; }
  // The shader set by set_shader.
  Shader* current_shader() const { return current_shader_; }
  // Clears the current target to the colour clamped to 0..1 (alpha 0).
  std::int32_t clear(float r, float g, float b);
  // Draws the quad over unit target coordinates (0..1, y upward) x, y, w, h.
  void draw_quad(float x, float y, float w, float h);
  // Draws the quad over clip coordinates (x0, y0)-(x1, y1) with the current shader.
  void draw_quad_clip(float x0, float y0, float x1, float y1);
  // Sets the fixed render states and makes the back buffer the target again.
  std::int32_t apply_default_states();
  // New back-buffer size; ignored while the device is lost.
  void resize(int width, int height);
  // Releases every texture's objects, resets the device, re-creates the textures empty.
  bool reset();
  // Destroys every texture and shader, then the device.
  void release();

  // Size of the painting engine's full-size render targets: a texture of smooth filter
  // mode and exactly this size is magnified with point sampling. Set to the back-buffer
  // size by create(); the engine sets it again once it has sized its targets.
  void set_full_target_size(int width, int height);
  int full_target_width() const { return full_target_width_; }    // see set_full_target_size
  int full_target_height() const { return full_target_height_; }  // see set_full_target_size

  // Where Texture::load and Texture::load_from_store take their images from (none at
  // first: both then find nothing).
  void set_image_source(ImageSource source) { image_source_ = std::move(source); }
  const ImageSource& image_source() const { return image_source_; }

  // Size of the render target last made current.
  int current_target_width() const { return current_target_width_; }
  int current_target_height() const { return current_target_height_; }
  // Presentation settings used by the next reset.
  const PresentParams& present_params() const { return present_params_; }

  // Every live texture made through this device, in creation order.
  std::vector<Texture*> textures() const;
  // Every live shader made through this device, in creation order.
  std::vector<Shader*> shaders() const;

  // Reads the back buffer as red, green, blue, alpha bytes, rows from the top; false
  // when the backend keeps no pixels.
  bool read_back_buffer(std::vector<std::uint8_t>& rgba, int& width, int& height);
  // Reads a texture the same way.
  bool read_texture(const Texture& texture, std::vector<std::uint8_t>& rgba, int& width,
                    int& height);

 private:
  friend class Texture;
  friend class Shader;
  // Called by Texture::release and Shader::release: removes and destroys the object.
  void forget(Texture* texture);
  void forget(Shader* shader);
  // Shows the backend's own reason for a failed start, or else `standard_message`.
  void show_failure(bool runtime_loaded, const std::string& standard_message);
  bool set_surface_target(SurfaceHandle surface);

  std::unique_ptr<Backend> backend_;
  bool runtime_loaded_ = false;
  bool created_ = false;
  PresentParams present_params_;
  SurfaceHandle back_buffer_ = 0;
  int current_target_width_ = 0;
  int current_target_height_ = 0;
  int full_target_width_ = 0;
  int full_target_height_ = 0;
  std::uint32_t max_texture_size_ = 0;
  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<Shader>> shaders_;
  Shader* current_shader_ = nullptr;
  ImageSource image_source_;
};

}  // namespace bw::device

namespace bw {
using device::Device;
}  // namespace bw
