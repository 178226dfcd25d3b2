#include "device/gl/gl_backend.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "bytecode/glsl.h"
#include "device/gl/gl_context.h"
#include "platform/diagnostics.h"

namespace bw::device {
namespace {

// Register files of the two shader kinds (vs_3_0 has 256 float4 registers, ps_3_0 224).
constexpr std::uint32_t kVertexRegisters = 256;
constexpr std::uint32_t kPixelRegisters = 224;

#ifndef NDEBUG
void check_gl(const char* where) {
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
    diag::message("GlBackend: GL error 0x%04X in %s", error, where);
}
#define BW_CHECK_GL(where) check_gl(where)
#else
#define BW_CHECK_GL(where) ((void)0)
#endif

// A render-target texture with the framebuffer that draws into it.
struct GlTexture {
  GLuint texture = 0;
  GLuint framebuffer = 0;
  int width = 0;
  int height = 0;
};

struct GlProgram {
  GLuint program = 0;
  GLint vs_c = -1;          // location of vs_c[0]
  GLint vs_c_size = 0;      // active elements of vs_c
  GLint ps_c = -1;          // location of ps_c[0]
  GLint ps_c_size = 0;      // active elements of ps_c
  GLint position_hook = -1;
  GLint frag_position_hook = -1;
  GLint face_hook = -1;
  bool discards = false;    // the pixel program may leave pixels undrawn
};

// Direct3D 9 sampler states of one stage, with Direct3D 9's initial values.
struct StageState {
  TextureHandle texture = 0;
  std::uint32_t mag = kFilterPoint;
  std::uint32_t min = kFilterPoint;
  std::uint32_t mip = 0;  // none
  std::uint32_t address_u = kAddressWrap;
  std::uint32_t address_v = kAddressWrap;
  std::uint32_t address_w = kAddressWrap;
};

// One draw as the backend carries it out: the program, the quad, and the sampler stages
// and constant registers as they were when it was asked for.
struct DrawCall {
  ProgramHandle program = 0;
  QuadVertex vertices[4] = {};
  std::array<StageState, kTextureStages> stages{};
  std::vector<float> vs_constants;  // the program's active vs_c registers, 4 floats each
  std::vector<float> ps_constants;  // the same for ps_c
};

// True when the quad's rectangle holds the centre of every pixel of a width x height
// target: the draw leaves nothing of what the target held before.
bool covers_target(const QuadVertex (&v)[4], int width, int height) {
  float min_x = v[0].x, max_x = v[0].x, min_y = v[0].y, max_y = v[0].y;
  for (const QuadVertex& corner : v) {
    min_x = std::min(min_x, corner.x);
    max_x = std::max(max_x, corner.x);
    min_y = std::min(min_y, corner.y);
    max_y = std::max(max_y, corner.y);
  }
  for (const QuadVertex& corner : v)
    if ((corner.x != min_x && corner.x != max_x) || (corner.y != min_y && corner.y != max_y))
      return false;  // not an upright rectangle
  // Pixel centres lie at -1 + 2c / width and 1 - 2r / height in clip units.
  return min_x < -1.0f && max_x > 1.0f - 2.0f / static_cast<float>(width) && max_y > 1.0f &&
         min_y < -1.0f + 2.0f / static_cast<float>(height);
}

GLint gl_filter(std::uint32_t filter) { return filter == kFilterPoint ? GL_NEAREST : GL_LINEAR; }

GLint gl_address(std::uint32_t address) {
  switch (address) {
    case kAddressMirror: return GL_MIRRORED_REPEAT;
    case kAddressClamp: return GL_CLAMP_TO_EDGE;
    case 4: return GL_CLAMP_TO_BORDER;          // D3DTADDRESS_BORDER
    case 5: return GL_MIRROR_CLAMP_TO_EDGE;     // D3DTADDRESS_MIRRORONCE
    default: return GL_REPEAT;
  }
}

// D3DBLEND value -> GL blend factor.
GLenum gl_blend_factor(std::uint32_t blend) {
  switch (blend) {
    case 1: return GL_ZERO;
    case 2: return GL_ONE;
    case 3: return GL_SRC_COLOR;
    case 4: return GL_ONE_MINUS_SRC_COLOR;
    case 5: return GL_SRC_ALPHA;
    case 6: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLuint compile(GLenum kind, const std::string& source, std::string& error) {
  const GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[1024] = {};
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  for (char& c : log)
    if (c == '\n') c = ' ';
  error = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
          " program does not compile: " + log;
  glDeleteShader(shader);
  return 0;
}

// Location and active size of a uniform array whose element 0 is `name`.
void find_array(GLuint program, const char* base, GLint& location, GLint& size) {
  location = -1;
  size = 0;
  GLint count = 0;
  glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
  const std::size_t base_length = std::strlen(base);
  for (GLint i = 0; i < count; ++i) {
    char name[64] = {};
    GLint array_size = 0;
    GLenum type = 0;
    glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &array_size,
                       &type, name);
    if (std::strncmp(name, base, base_length) != 0) continue;
    if (name[base_length] != '\0' && name[base_length] != '[') continue;
    location = glGetUniformLocation(program, base);
    size = array_size;
    return;
  }
}

}  // namespace

struct GlBackend::State {
  std::uint32_t next_handle = 1;
  std::map<TextureHandle, GlTexture> textures;
  std::map<SurfaceHandle, TextureHandle> surfaces;  // level-0 surfaces of textures
  std::map<ProgramHandle, GlProgram> programs;
  GlTexture back_buffer;
  SurfaceHandle back_buffer_surface = 0;
  SurfaceHandle target = 0;
  ProgramHandle program = 0;
  GLuint vertex_array = 0;
  GLuint vertex_buffer = 0;
  std::array<GLuint, kTextureStages> samplers{};
  std::array<StageState, kTextureStages> stages{};
  std::uint32_t src_blend = 2;   // D3DBLEND_ONE
  std::uint32_t dest_blend = 1;  // D3DBLEND_ZERO
  float vertex_registers[kVertexRegisters][4] = {};
  float pixel_registers[kPixelRegisters][4] = {};
  bool device_created = false;
  bool blend_enabled = false;
  // A draw that covers the whole back buffer with blending off, not yet carried out (window
  // surfaces only). present() draws it straight onto the window, which saves copying the
  // back buffer there; it stays owed to the back buffer, and is carried out there as soon
  // as anything reads the back buffer or changes a texture, unless a later draw or clear
  // covers the back buffer first.
  std::optional<DrawCall> pending;

  // The texture that a surface handle draws into, or null.
  GlTexture* surface_texture(SurfaceHandle surface) {
    if (surface == 0) return nullptr;
    if (surface == back_buffer_surface) return back_buffer.framebuffer ? &back_buffer : nullptr;
    const auto it = surfaces.find(surface);
    if (it == surfaces.end()) return nullptr;
    const auto texture = textures.find(it->second);
    return texture == textures.end() ? nullptr : &texture->second;
  }
};

namespace {

bool make_target_texture(GlTexture& out, int width, int height) {
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  if (width <= 0 || height <= 0 || width > max_size || height > max_size) return false;
  glGenTextures(1, &out.texture);
  glBindTexture(GL_TEXTURE_2D, out.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
               nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &out.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, out.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, out.texture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // Running out of memory is a failed creation, not a fault of ours.
  const bool out_of_memory = glGetError() == GL_OUT_OF_MEMORY;
  BW_CHECK_GL("create_texture");
  if (!complete || out_of_memory) {
    glDeleteFramebuffers(1, &out.framebuffer);
    glDeleteTextures(1, &out.texture);
    out = GlTexture{};
    return false;
  }
  out.width = width;
  out.height = height;
  return true;
}

// Carries out `call` into a framebuffer of width x height: a texture's, whose memory row 0
// is the top, or the window's (`upright`), whose row 0 is the bottom.
void execute_draw(GlBackend::State& s, const DrawCall& call, GLuint framebuffer, int width,
                  int height, bool upright) {
  const auto program_entry = s.programs.find(call.program);
  if (program_entry == s.programs.end()) return;
  const GlProgram& program = program_entry->second;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, width, height);
  glUseProgram(program.program);
  glBindVertexArray(s.vertex_array);
  glBindBuffer(GL_ARRAY_BUFFER, s.vertex_buffer);
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof call.vertices, call.vertices);

  // Everything moves half a pixel, from Direct3D 9's integer pixel centres to GL's
  // half-integer ones; y turns over into a texture (memory row 0 is the top) and stays
  // upright onto the window, which shows its row 0 at the bottom.
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  if (program.position_hook >= 0) {
    glUniform4f(program.position_hook, 1.0f, upright ? 1.0f : -1.0f, 1.0f / w,
                upright ? -1.0f / h : 1.0f / h);
  }
  if (program.frag_position_hook >= 0)
    glUniform4f(program.frag_position_hook, 1.0f, 1.0f, -0.5f, -0.5f);
  if (program.face_hook >= 0) glUniform1f(program.face_hook, -1.0f);
  if (!call.vs_constants.empty())
    glUniform4fv(program.vs_c, static_cast<GLsizei>(call.vs_constants.size() / 4),
                 call.vs_constants.data());
  if (!call.ps_constants.empty())
    glUniform4fv(program.ps_c, static_cast<GLsizei>(call.ps_constants.size() / 4),
                 call.ps_constants.data());

  // Pixels the quad covers, to tell magnification from minification per texture.
  const QuadVertex* vertices = call.vertices;
  const float quad_width = std::abs(vertices[2].x - vertices[0].x) * w / 2.0f;
  const float quad_height = std::abs(vertices[0].y - vertices[1].y) * h / 2.0f;
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) {
    const StageState& st = call.stages[stage];
    const auto texture = s.textures.find(st.texture);
    glActiveTexture(GL_TEXTURE0 + stage);
    if (st.texture == 0 || texture == s.textures.end()) {
      glBindTexture(GL_TEXTURE_2D, 0);
      continue;
    }
    glBindTexture(GL_TEXTURE_2D, texture->second.texture);
    // One filter for the whole quad: the magnification filter when every texel covers
    // at least a pixel (a full-size texture on a full-target quad included), else the
    // minification filter.
    const bool magnified = static_cast<float>(texture->second.width) <= quad_width + 0.5f &&
                           static_cast<float>(texture->second.height) <= quad_height + 0.5f;
    const GLint filter = gl_filter(magnified ? st.mag : st.min);
    const GLuint sampler = s.samplers[stage];
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, gl_address(st.address_u));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, gl_address(st.address_v));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, gl_address(st.address_w));
  }
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glActiveTexture(GL_TEXTURE0);
  BW_CHECK_GL("draw_quad");
}

void delete_target_texture(GlTexture& texture) {
  if (texture.framebuffer != 0) glDeleteFramebuffers(1, &texture.framebuffer);
  if (texture.texture != 0) glDeleteTextures(1, &texture.texture);
  texture = GlTexture{};
}

}  // namespace

GlBackend::GlBackend(GlBackendOptions options)
    : options_(options), state_(std::make_unique<State>()) {}

GlBackend::~GlBackend() { release_device(); }

std::unique_ptr<GlBackend> make_gl_backend(GlBackendOptions options) {
  return std::make_unique<GlBackend>(options);
}

std::string GlBackend::renderer() const {
  if (!context_) return {};
  const GLubyte* text = glGetString(GL_RENDERER);
  return text ? reinterpret_cast<const char*>(text) : "";
}

std::string GlBackend::take_errors() {
  std::string errors;
  if (!context_) return errors;
  // A lost context repeats its error forever; a few are enough to tell.
  for (int i = 0; i < 16; ++i) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR) break;
    char text[16];
    std::snprintf(text, sizeof text, "%s0x%04X", errors.empty() ? "" : " ", error);
    errors += text;
  }
  return errors;
}

void GlBackend::finish() {
  if (context_) glFinish();
}

void GlBackend::make_current() {
  if (context_) context_->make_current();
}

bool GlBackend::load_runtime() {
  if (context_) return true;
  context_ = GlContext::open(options_, last_error_);
  return context_ != nullptr;
}

bool GlBackend::get_capabilities(Capabilities& caps) {
  if (!context_) return false;
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  if (max_size <= 0) return false;
  // OpenGL 3.3 core samples textures of any size and runs programs at least as long as
  // pixel shader model 3.0 allows.
  caps.textures_pow2 = false;
  caps.textures_nonpow2_conditional = false;
  caps.pixel_shader_version = 0xFFFF0300u;
  caps.ps20_instruction_slots = 512;
  caps.max_texture_width = static_cast<std::uint32_t>(max_size);
  caps.max_texture_height = static_cast<std::uint32_t>(max_size);
  return true;
}

bool GlBackend::get_adapter_identity(AdapterIdentity& identity) {
  if (!context_) return false;
  identity = context_->adapter_identity();
  return true;
}

bool GlBackend::create_device(std::uintptr_t window, const PresentParams& params) {
  if (!context_ || state_->device_created) return false;
  if (options_.use_window && (window == 0 || !context_->attach_window(window))) return false;
  State& s = *state_;
  if (!make_target_texture(s.back_buffer, params.back_buffer_width, params.back_buffer_height))
    return false;
  s.back_buffer_surface = s.next_handle++;
  s.target = 0;
  glGenSamplers(static_cast<GLsizei>(s.samplers.size()), s.samplers.data());
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) {
    glBindSampler(stage, s.samplers[stage]);
    s.stages[stage] = StageState{};
  }
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  BW_CHECK_GL("create_device");
  s.device_created = true;
  return true;
}

bool GlBackend::create_quad_declaration() {
  State& s = *state_;
  if (!s.device_created) return false;
  glGenVertexArrays(1, &s.vertex_array);
  glBindVertexArray(s.vertex_array);
  glGenBuffers(1, &s.vertex_buffer);
  glBindBuffer(GL_ARRAY_BUFFER, s.vertex_buffer);
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(QuadVertex), nullptr, GL_STREAM_DRAW);
  // Position at location 0, texture coordinate 0 at location 1 (POSITION0, TEXCOORD0).
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(QuadVertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(QuadVertex),
                        reinterpret_cast<const void*>(offsetof(QuadVertex, u)));
  BW_CHECK_GL("create_quad_declaration");
  return true;
}

void GlBackend::show_error(const char* text) {
  // The message box of a Windows saver becomes one line on standard error.
  std::string line(text);
  std::replace(line.begin(), line.end(), '\n', ' ');
  diag::message("Error: %s", line.c_str());
}

std::string GlBackend::failure_reason(bool runtime_loaded) {
  if (!runtime_loaded) {
    return "no graphics device: " + (last_error_.empty() ? std::string("no OpenGL 3.3 core context")
                                                         : last_error_);
  }
  return "no graphics device: the OpenGL renderer \"" + renderer() +
         "\" cannot run the painting's effects";
}

void GlBackend::release_device() {
  if (!context_) return;
  State& s = *state_;
  for (auto& [handle, texture] : s.textures) delete_target_texture(texture);
  s.textures.clear();
  s.surfaces.clear();
  for (auto& [handle, program] : s.programs) glDeleteProgram(program.program);
  s.programs.clear();
  delete_target_texture(s.back_buffer);
  if (s.device_created) glDeleteSamplers(static_cast<GLsizei>(s.samplers.size()), s.samplers.data());
  if (s.vertex_buffer != 0) glDeleteBuffers(1, &s.vertex_buffer);
  if (s.vertex_array != 0) glDeleteVertexArrays(1, &s.vertex_array);
  *state_ = State{};
  context_.reset();
}

std::uint32_t GlBackend::video_memory_mb() {
  if (!context_) return 0;
  if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
    GLint kilobytes = 0;
    glGetIntegerv(0x9047, &kilobytes);  // GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX
    glGetError();
    return kilobytes > 0 ? static_cast<std::uint32_t>(kilobytes / 1024) : 0;
  }
  return 0;
}

std::int32_t GlBackend::test_cooperative_level() {
  // An OpenGL context is never lost the way a Direct3D 9 device is.
  return context_ && state_->device_created ? kOk : kInvalidCall;
}

bool GlBackend::reset(const PresentParams& params) {
  State& s = *state_;
  if (!s.device_created) return false;
  s.pending.reset();  // the back buffer is made anew
  delete_target_texture(s.back_buffer);
  if (!make_target_texture(s.back_buffer, params.back_buffer_width, params.back_buffer_height))
    return false;
  // A reset returns every render and sampler state to its initial value.
  s.target = 0;
  s.src_blend = 2;
  s.dest_blend = 1;
  s.blend_enabled = false;
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_BLEND);
  for (StageState& stage : s.stages) stage = StageState{};
  return true;
}

std::int32_t GlBackend::set_render_state(RenderState state, std::uint32_t value) {
  State& s = *state_;
  if (!s.device_created) return kInvalidCall;
  switch (state) {
    case RenderState::src_blend:
      s.src_blend = value;
      glBlendFunc(gl_blend_factor(s.src_blend), gl_blend_factor(s.dest_blend));
      break;
    case RenderState::dest_blend:
      s.dest_blend = value;
      glBlendFunc(gl_blend_factor(s.src_blend), gl_blend_factor(s.dest_blend));
      break;
    case RenderState::alpha_blend_enable:
      s.blend_enabled = value != 0;
      if (value != 0)
        glEnable(GL_BLEND);
      else
        glDisable(GL_BLEND);
      break;
    case RenderState::z_enable:
    case RenderState::z_write_enable:
    case RenderState::cull_mode:
      break;  // no depth buffer, and culling stays off
  }
  BW_CHECK_GL("set_render_state");
  return kOk;
}

std::int32_t GlBackend::begin_scene() { return state_->device_created ? kOk : kInvalidCall; }

std::int32_t GlBackend::end_scene() { return state_->device_created ? kOk : kInvalidCall; }

std::int32_t GlBackend::present() {
  State& s = *state_;
  if (!s.device_created) return kInvalidCall;
  if (!context_->has_window()) {
    glFlush();  // headless: the back buffer stays for read-back
    return kOk;
  }
  int width = 0;
  int height = 0;
  context_->window_size(width, height);
  if (s.pending && width == s.back_buffer.width && height == s.back_buffer.height) {
    // The owed draw goes straight onto the window (and stays owed to the back buffer).
    execute_draw(s, *s.pending, 0, width, height, true);
    BW_CHECK_GL("present");
    context_->swap();
    return kOk;
  }
  flush_pending();
  // Memory row 0 of the back buffer is the top of the picture; the window's row 0 is its
  // bottom, so the copy turns it over.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, s.back_buffer.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, s.back_buffer.width, s.back_buffer.height, 0, height, width, 0,
                    GL_COLOR_BUFFER_BIT,
                    width == s.back_buffer.width && height == s.back_buffer.height
                        ? GL_NEAREST
                        : GL_LINEAR);
  BW_CHECK_GL("present");
  context_->swap();
  return kOk;
}

std::int32_t GlBackend::clear(std::uint32_t colour) {
  State& s = *state_;
  GlTexture* target = s.surface_texture(s.target);
  if (target == nullptr) return kInvalidCall;
  // A clear of the back buffer leaves nothing of a draw still owed to it.
  if (s.target == s.back_buffer_surface)
    s.pending.reset();
  else
    flush_pending();
  glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
  glViewport(0, 0, target->width, target->height);
  glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
               static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
               static_cast<float>(colour & 0xFF) / 255.0f,
               static_cast<float>((colour >> 24) & 0xFF) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  BW_CHECK_GL("clear");
  return kOk;
}

std::int32_t GlBackend::draw_quad(const QuadVertex (&vertices)[4]) {
  State& s = *state_;
  GlTexture* target = s.surface_texture(s.target);
  const auto program_entry = s.programs.find(s.program);
  if (target == nullptr || program_entry == s.programs.end()) return kInvalidCall;
  const GlProgram& program = program_entry->second;
  DrawCall call;
  call.program = s.program;
  std::copy(std::begin(vertices), std::end(vertices), call.vertices);
  call.stages = s.stages;
  const auto registers = [](const float (*file)[4], GLint active, std::uint32_t size) {
    const auto count = static_cast<std::size_t>(std::clamp<GLint>(active, 0, static_cast<GLint>(size)));
    return std::vector<float>(&file[0][0], &file[0][0] + count * 4);
  };
  if (program.vs_c >= 0) call.vs_constants = registers(s.vertex_registers, program.vs_c_size, kVertexRegisters);
  if (program.ps_c >= 0) call.ps_constants = registers(s.pixel_registers, program.ps_c_size, kPixelRegisters);

  const bool whole_back_buffer = s.target == s.back_buffer_surface && context_->has_window() &&
                                 !s.blend_enabled && !program.discards &&
                                 program.frag_position_hook < 0 && program.face_hook < 0 &&
                                 covers_target(vertices, target->width, target->height);
  if (whole_back_buffer) {
    s.pending = std::move(call);  // replaces whatever was owed to the back buffer
    return kOk;
  }
  flush_pending();
  execute_draw(s, call, target->framebuffer, target->width, target->height, false);
  return kOk;
}

void GlBackend::flush_pending() {
  State& s = *state_;
  if (!s.pending) return;
  const DrawCall call = std::move(*s.pending);
  s.pending.reset();
  execute_draw(s, call, s.back_buffer.framebuffer, s.back_buffer.width, s.back_buffer.height,
               false);
}

TextureHandle GlBackend::create_texture(int width, int height) {
  State& s = *state_;
  if (!s.device_created) return 0;
  GlTexture texture;
  if (!make_target_texture(texture, width, height)) return 0;
  const TextureHandle handle = s.next_handle++;
  s.textures[handle] = texture;
  return handle;
}

SurfaceHandle GlBackend::get_surface(TextureHandle texture) {
  State& s = *state_;
  if (s.textures.count(texture) == 0) return 0;
  const SurfaceHandle handle = s.next_handle++;
  s.surfaces[handle] = texture;
  return handle;
}

SurfaceHandle GlBackend::get_back_buffer() {
  return state_->back_buffer.framebuffer != 0 ? state_->back_buffer_surface : 0;
}

SurfaceHandle GlBackend::get_render_target() { return state_->target; }

void GlBackend::release_surface(SurfaceHandle) {
  // Surfaces are views of their texture and go with it; nothing to drop here.
}

void GlBackend::release_texture(TextureHandle texture) {
  State& s = *state_;
  const auto it = s.textures.find(texture);
  if (it == s.textures.end()) return;
  flush_pending();
  delete_target_texture(it->second);
  s.textures.erase(it);
  for (auto surface = s.surfaces.begin(); surface != s.surfaces.end();) {
    if (surface->second == texture) {
      if (s.target == surface->first) s.target = 0;
      surface = s.surfaces.erase(surface);
    } else {
      ++surface;
    }
  }
  for (StageState& stage : s.stages)
    if (stage.texture == texture) stage.texture = 0;
}

bool GlBackend::get_surface_size(SurfaceHandle surface, int& width, int& height) {
  const GlTexture* texture = state_->surface_texture(surface);
  if (texture == nullptr) return false;
  width = texture->width;
  height = texture->height;
  return true;
}

bool GlBackend::set_render_target(SurfaceHandle surface) {
  if (state_->surface_texture(surface) == nullptr) return false;
  state_->target = surface;
  return true;
}

bool GlBackend::update_texture(TextureHandle texture, const std::uint8_t* bgra, int width,
                               int height) {
  State& s = *state_;
  const auto it = s.textures.find(texture);
  if (it == s.textures.end() || bgra == nullptr || width != it->second.width ||
      height != it->second.height)
    return false;
  flush_pending();
  glBindTexture(GL_TEXTURE_2D, it->second.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  // Rows go in as given: the first row of the buffer is memory row 0, the top.
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
  glBindTexture(GL_TEXTURE_2D, 0);
  BW_CHECK_GL("update_texture");
  return true;
}

std::int32_t GlBackend::stretch_rect(SurfaceHandle source, SurfaceHandle destination) {
  State& s = *state_;
  const GlTexture* from = s.surface_texture(source);
  const GlTexture* to = s.surface_texture(destination);
  if (from == nullptr || to == nullptr || from == to) return kInvalidCall;
  flush_pending();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, from->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to->framebuffer);
  const bool same_size = from->width == to->width && from->height == to->height;
  glBlitFramebuffer(0, 0, from->width, from->height, 0, 0, to->width, to->height,
                    GL_COLOR_BUFFER_BIT, same_size ? GL_NEAREST : GL_LINEAR);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  BW_CHECK_GL("stretch_rect");
  return kOk;
}

ProgramHandle GlBackend::create_program(std::span<const std::uint32_t> vertex_tokens,
                                        std::span<const std::uint32_t> pixel_tokens) {
  if (!state_->device_created) return 0;
  std::string error;
  const std::optional<bytecode::GlslProgram> glsl =
      translator_ ? translator_(vertex_tokens, pixel_tokens, error)
                  : bytecode::translate_to_glsl(vertex_tokens, pixel_tokens, error);
  if (!glsl) {
    last_error_ = error;
    return 0;
  }
  return create_program_from_glsl(*glsl);
}

ProgramHandle GlBackend::create_program_from_glsl(const bytecode::GlslProgram& glsl) {
  State& s = *state_;
  if (!s.device_created) return 0;
  const GLuint vertex = compile(GL_VERTEX_SHADER, glsl.vertex, last_error_);
  if (vertex == 0) return 0;
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, glsl.fragment, last_error_);
  if (fragment == 0) {
    glDeleteShader(vertex);
    return 0;
  }
  GlProgram program;
  program.program = glCreateProgram();
  glAttachShader(program.program, vertex);
  glAttachShader(program.program, fragment);
  glLinkProgram(program.program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = 0;
  glGetProgramiv(program.program, GL_LINK_STATUS, &linked);
  if (!linked) {
    char log[1024] = {};
    glGetProgramInfoLog(program.program, sizeof log, nullptr, log);
    for (char& c : log)
      if (c == '\n') c = ' ';
    last_error_ = std::string("program does not link: ") + log;
    glDeleteProgram(program.program);
    return 0;
  }
  glUseProgram(program.program);
  // Each sampler reads the texture unit of its stage.
  for (const bytecode::GlslSampler& sampler : glsl.ps_samplers) {
    const GLint location = glGetUniformLocation(program.program, sampler.uniform.c_str());
    if (location >= 0 && sampler.reg < kTextureStages)
      glUniform1i(location, static_cast<GLint>(sampler.reg));
  }
  find_array(program.program, "vs_c", program.vs_c, program.vs_c_size);
  find_array(program.program, "ps_c", program.ps_c, program.ps_c_size);
  program.position_hook = glGetUniformLocation(program.program, "bw_position");
  program.frag_position_hook = glGetUniformLocation(program.program, "bw_frag_position");
  program.face_hook = glGetUniformLocation(program.program, "bw_face");
  program.discards = glsl.fragment.find("discard") != std::string::npos;
  glUseProgram(0);
  BW_CHECK_GL("create_program");
  const ProgramHandle handle = s.next_handle++;
  s.programs[handle] = program;
  return handle;
}

void GlBackend::release_program(ProgramHandle program) {
  State& s = *state_;
  const auto it = s.programs.find(program);
  if (it == s.programs.end()) return;
  flush_pending();
  glDeleteProgram(it->second.program);
  s.programs.erase(it);
  if (s.program == program) s.program = 0;
}

void GlBackend::set_program(ProgramHandle program) { state_->program = program; }

void GlBackend::set_vertex_constant(std::uint32_t reg, const float (&value)[4]) {
  if (reg < kVertexRegisters) std::memcpy(state_->vertex_registers[reg], value, sizeof value);
}

void GlBackend::set_pixel_constant(std::uint32_t reg, const float (&value)[4]) {
  if (reg < kPixelRegisters) std::memcpy(state_->pixel_registers[reg], value, sizeof value);
}

void GlBackend::set_texture(std::uint32_t stage, TextureHandle texture) {
  if (stage < kTextureStages) state_->stages[stage].texture = texture;
}

void GlBackend::set_sampler_state(std::uint32_t stage, SamplerState state,
                                  std::uint32_t value) {
  if (stage >= kTextureStages) return;
  StageState& st = state_->stages[stage];
  switch (state) {
    case SamplerState::mag_filter: st.mag = value; break;
    case SamplerState::min_filter: st.min = value; break;
    case SamplerState::mip_filter: st.mip = value; break;  // single level: no effect
    case SamplerState::address_u: st.address_u = value; break;
    case SamplerState::address_v: st.address_v = value; break;
    case SamplerState::address_w: st.address_w = value; break;
  }
}

bool GlBackend::read_surface(SurfaceHandle surface, std::vector<std::uint8_t>& rgba,
                             int& width, int& height) {
  const GlTexture* texture = state_->surface_texture(surface);
  if (texture == nullptr) return false;
  flush_pending();
  width = texture->width;
  height = texture->height;
  rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, texture->framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  BW_CHECK_GL("read_surface");
  return true;
}

}  // namespace bw::device
