#include "device/trace/trace_backend.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace bw::device {

std::string TraceCall::text() const {
  std::string out = name + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    char number[40];
    const double a = args[i];
    if (a == std::floor(a) && std::fabs(a) < 1e15)
      std::snprintf(number, sizeof number, "%.0f", a);
    else
      std::snprintf(number, sizeof number, "%.9g", a);
    if (i > 0) out += ", ";
    out += number;
  }
  return out + ")";
}

std::vector<std::string> TraceBackend::texts() const {
  std::vector<std::string> out;
  for (const TraceCall& call : calls) out.push_back(call.text());
  return out;
}

std::vector<std::string> TraceBackend::texts_of(const std::string& name) const {
  std::vector<std::string> out;
  for (const TraceCall& call : calls)
    if (call.name == name) out.push_back(call.text());
  return out;
}

void TraceBackend::record(std::string name, std::vector<double> args) {
  calls.push_back(TraceCall{std::move(name), std::move(args)});
}

bool TraceBackend::load_runtime() {
  record("load_runtime", {});
  return runtime_present;
}

bool TraceBackend::get_capabilities(Capabilities& caps) {
  record("get_capabilities", {});
  if (!capabilities_readable) return false;
  caps = capabilities;
  return true;
}

bool TraceBackend::get_adapter_identity(AdapterIdentity& id) {
  record("get_adapter_identity", {});
  if (!identity_readable) return false;
  id = identity;
  return true;
}

bool TraceBackend::create_device(std::uintptr_t window, const PresentParams& present) {
  record("create_device", {static_cast<double>(window), double(present.back_buffer_width),
                           double(present.back_buffer_height), present.windowed ? 1.0 : 0.0,
                           double(present.refresh_rate)});
  if (fail_create_device) return false;
  params = present;
  return true;
}

bool TraceBackend::create_quad_declaration() {
  record("create_quad_declaration", {});
  return !fail_quad_declaration;
}

void TraceBackend::show_error(const char* text) {
  record("show_error", {});
  errors.emplace_back(text);
}

void TraceBackend::release_device() { record("release_device", {}); }

std::int32_t TraceBackend::test_cooperative_level() {
  record("test_cooperative_level", {});
  return cooperative_level;
}

bool TraceBackend::reset(const PresentParams& present) {
  record("reset", {double(present.back_buffer_width), double(present.back_buffer_height)});
  if (fail_reset) return false;
  params = present;
  cooperative_level = kOk;
  return true;
}

std::int32_t TraceBackend::set_render_state(RenderState state, std::uint32_t value) {
  record("set_render_state", {double(static_cast<std::uint32_t>(state)), double(value)});
  return kOk;
}

std::int32_t TraceBackend::begin_scene() {
  record("begin_scene", {});
  return cooperative_level == kOk ? kOk : kInvalidCall;
}

std::int32_t TraceBackend::end_scene() {
  record("end_scene", {});
  return kOk;
}

std::int32_t TraceBackend::present() {
  record("present", {});
  return cooperative_level == kOk ? kOk : kDeviceLost;
}

std::int32_t TraceBackend::clear(std::uint32_t colour) {
  record("clear", {double(colour)});
  return kOk;
}

std::int32_t TraceBackend::draw_quad(const QuadVertex (&vertices)[4]) {
  std::vector<double> args;
  for (const QuadVertex& v : vertices) {
    args.push_back(v.x);
    args.push_back(v.y);
    args.push_back(v.u);
    args.push_back(v.v);
  }
  record("draw_quad", std::move(args));
  return kOk;
}

TextureHandle TraceBackend::create_texture(int width, int height) {
  record("create_texture", {double(width), double(height)});
  if (fail_create_texture || width <= 0 || height <= 0) return 0;
  const TextureHandle handle = next_handle_++;
  live_textures[handle] = Size{width, height};
  return handle;
}

SurfaceHandle TraceBackend::get_surface(TextureHandle texture) {
  record("get_surface", {double(texture)});
  if (live_textures.count(texture) == 0) return 0;
  const SurfaceHandle handle = next_handle_++;
  surfaces_[handle] = texture;
  return handle;
}

SurfaceHandle TraceBackend::get_back_buffer() {
  record("get_back_buffer", {});
  if (back_buffer == 0) {
    back_buffer = next_handle_++;
    surfaces_[back_buffer] = 0;
  }
  return back_buffer;
}

SurfaceHandle TraceBackend::get_render_target() {
  record("get_render_target", {});
  return render_target;
}

void TraceBackend::release_surface(SurfaceHandle surface) {
  record("release_surface", {double(surface)});
  if (surface == back_buffer) return;  // the device keeps its back buffer
  surfaces_.erase(surface);
}

void TraceBackend::release_texture(TextureHandle texture) {
  record("release_texture", {double(texture)});
  live_textures.erase(texture);
}

bool TraceBackend::get_surface_size(SurfaceHandle surface, int& width, int& height) {
  record("get_surface_size", {double(surface)});
  const auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return false;
  if (it->second == 0) {
    width = params.back_buffer_width;
    height = params.back_buffer_height;
    return true;
  }
  const auto texture = live_textures.find(it->second);
  if (texture == live_textures.end()) return false;
  width = texture->second.width;
  height = texture->second.height;
  return true;
}

bool TraceBackend::set_render_target(SurfaceHandle surface) {
  record("set_render_target", {double(surface)});
  if (surfaces_.count(surface) == 0) return false;
  render_target = surface;
  return true;
}

bool TraceBackend::update_texture(TextureHandle texture, const std::uint8_t* bgra, int width,
                                  int height) {
  std::vector<double> args{double(texture), double(width), double(height)};
  // The first pixel as the texture's memory holds it, so byte order shows in the trace.
  if (bgra != nullptr && width > 0 && height > 0)
    for (int i = 0; i < 4; ++i) args.push_back(bgra[i]);
  record("update_texture", std::move(args));
  return !fail_update_texture && live_textures.count(texture) != 0;
}

std::int32_t TraceBackend::stretch_rect(SurfaceHandle source, SurfaceHandle destination) {
  record("stretch_rect", {double(source), double(destination)});
  return kOk;
}

ProgramHandle TraceBackend::create_program(std::span<const std::uint32_t> vertex_tokens,
                                           std::span<const std::uint32_t> pixel_tokens) {
  record("create_program", {double(vertex_tokens.size()), double(pixel_tokens.size())});
  if (fail_create_program) return 0;
  const ProgramHandle handle = next_handle_++;
  live_programs[handle] = true;
  return handle;
}

void TraceBackend::release_program(ProgramHandle program) {
  record("release_program", {double(program)});
  live_programs.erase(program);
}

void TraceBackend::set_program(ProgramHandle program) { record("set_program", {double(program)}); }

void TraceBackend::set_vertex_constant(std::uint32_t reg, const float (&value)[4]) {
  record("set_vertex_constant", {double(reg), value[0], value[1], value[2], value[3]});
}

void TraceBackend::set_pixel_constant(std::uint32_t reg, const float (&value)[4]) {
  record("set_pixel_constant", {double(reg), value[0], value[1], value[2], value[3]});
}

void TraceBackend::set_texture(std::uint32_t stage, TextureHandle texture) {
  record("set_texture", {double(stage), double(texture)});
}

void TraceBackend::set_sampler_state(std::uint32_t stage, SamplerState state,
                                     std::uint32_t value) {
  record("set_sampler_state",
         {double(stage), double(static_cast<std::uint32_t>(state)), double(value)});
}

bool TraceBackend::read_surface(SurfaceHandle surface, std::vector<std::uint8_t>&, int&,
                                int&) {
  record("read_surface", {double(surface)});
  return false;  // no pixels are kept
}

}  // namespace bw::device
