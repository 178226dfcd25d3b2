// bwtool fx render: draws one full-target quad with an effect, headless, and writes the
// picture as a PNG. Picture authors try effects with it; tests compare our rendering
// with references through it.
//
// Images given with --tex are read like the saver's path-named images (the extension
// picks the reader; every file is read at the path as given) and uploaded with smooth
// filtering and clamped addressing. Parameters given with --param are set by name; a
// name the effect does not declare is reported and otherwise ignored, as in the saver.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"
#include "assets/png_writer.h"
#include "command.h"
#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"
#if defined(BW_HAVE_D3D9)
#include "device/d3d9/d3d9_backend.h"
#elif defined(BW_HAVE_GL)
#include "device/gl/gl_backend.h"
#endif

namespace {

constexpr const char* kName = "bwtool fx render";
constexpr const char* kUsage =
    "  fx render EFFECT.bsf [--tex K=IMAGE]... [--param NAME=V[,V...]]... --size WxH -o OUT.png\n"
    "                          draw one full-target quad with the effect, headless\n";

struct Param {
  std::string name;
  float values[4] = {0, 0, 0, 0};
};

struct Options {
  std::string effect;
  std::vector<std::pair<int, std::string>> textures;  // sampler index, image path
  std::vector<Param> params;
  int width = 0;
  int height = 0;
  std::string output;
};

int usage_error(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n%s", kName, what.c_str(), kUsage);
  return bwtool::kUsageError;
}

// A whole decimal integer in [low, high], nothing else.
bool parse_int(std::string_view text, long low, long high, int& out) {
  if (text.empty() || text.size() > 12) return false;
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(copy.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool parse_float(std::string_view text, float& out) {
  if (text.empty() || text.size() > 64) return false;
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  out = std::strtof(copy.c_str(), &end);
  return errno == 0 && *end == '\0';
}

// Parses the command line into `options`; a message for the first thing that is wrong.
bool parse(std::span<char* const> args, Options& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--tex" || arg == "--param" || arg == "--size" || arg == "-o") {
      if (!has_value) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      const std::string_view value = args[++i];
      if (arg == "-o") {
        options.output = value;
      } else if (arg == "--size") {
        const std::size_t x = value.find('x');
        if (x == std::string_view::npos ||
            !parse_int(value.substr(0, x), 1, bw::assets::kMaxImageSide, options.width) ||
            !parse_int(value.substr(x + 1), 1, bw::assets::kMaxImageSide, options.height)) {
          error = "--size \"" + std::string(value) + "\" is not WxH with sides 1 to 16384";
          return false;
        }
      } else if (arg == "--tex") {
        const std::size_t eq = value.find('=');
        int index = 0;
        if (eq == std::string_view::npos || eq + 1 == value.size() ||
            !parse_int(value.substr(0, eq), 0, 15, index)) {
          error = "--tex \"" + std::string(value) + "\" is not K=IMAGE with K from 0 to 15";
          return false;
        }
        options.textures.emplace_back(index, std::string(value.substr(eq + 1)));
      } else {
        const std::size_t eq = value.find('=');
        if (eq == std::string_view::npos || eq == 0) {
          error = "--param \"" + std::string(value) + "\" is not NAME=V[,V...]";
          return false;
        }
        Param param;
        param.name = value.substr(0, eq);
        std::string_view rest = value.substr(eq + 1);
        for (int n = 0;; ++n) {
          const std::size_t comma = rest.find(',');
          if (n == 4 || !parse_float(rest.substr(0, comma), param.values[n])) {
            error = "--param \"" + std::string(value) + "\" needs 1 to 4 numbers";
            return false;
          }
          if (comma == std::string_view::npos) break;
          rest = rest.substr(comma + 1);
        }
        options.params.push_back(param);
      }
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option \"" + std::string(arg) + "\"";
      return false;
    }
    if (!options.effect.empty()) {
      error = "more than one effect given";
      return false;
    }
    options.effect = arg;
  }
  if (options.effect.empty()) error = "no effect given";
  else if (options.width == 0) error = "no --size given";
  else if (options.output.empty()) error = "no -o OUT.png given";
  return error.empty();
}

bool declared(const bw::device::Shader& shader, const std::string& name) {
  for (const auto* table : {&shader.vertex_constants(), &shader.pixel_constants()})
    for (const auto& constant : *table)
      if (constant.name == name) return true;
  return false;
}

bool has_sampler(const bw::device::Shader& shader, int index) {
  const std::string name = "texSampler" + std::to_string(index);
  for (const auto& sampler : shader.pixel_samplers())
    if (sampler.name == name) return true;
  return false;
}

#if defined(BW_HAVE_D3D9) || defined(BW_HAVE_GL)
// The headless drawing backend of this build and a way to ask it what went wrong last.
#if defined(BW_HAVE_D3D9)
using DrawingBackend = bw::device::D3d9Backend;
constexpr const char* kDeviceName = "Direct3D 9";
std::unique_ptr<DrawingBackend> make_drawing_backend() {
  // A tool has a console: the saver's start-up messages become one line there.
  bw::device::D3d9BackendOptions options;
  options.report_error = [](const char* text) {
    std::string line(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "%s: %s\n", kName, line.c_str());
  };
  return bw::device::make_d3d9_backend(std::move(options));
}
#else
using DrawingBackend = bw::device::GlBackend;
constexpr const char* kDeviceName = "OpenGL 3.3";
std::unique_ptr<DrawingBackend> make_drawing_backend() { return bw::device::make_gl_backend(); }
#endif
#endif

int run_fx_render(std::span<char* const> args) {
  Options options;
  std::string error;
  if (!parse(args, options, error)) return usage_error(error);
#if !defined(BW_HAVE_D3D9) && !defined(BW_HAVE_GL)
  std::fprintf(stderr, "%s: this bwtool was built without drawing\n", kName);
  return 1;
#else
  using namespace bw::device;
  const auto effect = bw::assets::read_whole_file(options.effect, 64u << 20);
  if (!effect) {
    std::fprintf(stderr, "%s: cannot read \"%s\"\n", kName, options.effect.c_str());
    return 1;
  }
  auto backend = make_drawing_backend();
  DrawingBackend* drawing = backend.get();
  Device device(std::move(backend));
  if (device.create(0, options.width, options.height, 60, false) != CreateStatus::created) {
    std::fprintf(stderr, "%s: no %s device%s%s\n", kName, kDeviceName,
                 drawing->last_error().empty() ? "" : ": ", drawing->last_error().c_str());
    return 1;
  }
  if (device.max_texture_size() < static_cast<unsigned>(std::max(options.width, options.height))) {
    std::fprintf(stderr, "%s: --size %dx%d is larger than the device's %u\n", kName,
                 options.width, options.height, device.max_texture_size());
    return 1;
  }
  // Every image file is read at its path as given, whatever its reader.
  bw::assets::ImageSources sources;
  sources.fetch = [](const std::string& path) { return bw::assets::read_whole_file(path); };
  device.set_image_source({image_readers_by_path(sources), nullptr});

  Shader* shader = device.create_shader();
  if (!shader->load(effect->data(), effect->size())) {
    std::fprintf(stderr, "%s: \"%s\" does not load%s%s\n", kName, options.effect.c_str(),
                 drawing->last_error().empty() ? "" : ": ", drawing->last_error().c_str());
    return 1;
  }
  for (const auto& [index, path] : options.textures) {
    Texture* texture = device.create_texture();
    int width = 0;
    int height = 0;
    if (!texture->load(path, width, height)) {
      std::fprintf(stderr, "%s: cannot load the image \"%s\"\n", kName, path.c_str());
      return 1;
    }
    if (!has_sampler(*shader, index))
      std::fprintf(stderr, "%s: the effect has no texSampler%d; \"%s\" is not used\n", kName,
                   index, path.c_str());
    shader->set_texture(index, texture);
  }
  for (const Param& param : options.params) {
    if (!declared(*shader, param.name))
      std::fprintf(stderr, "%s: the effect declares no parameter \"%s\"\n", kName,
                   param.name.c_str());
    shader->set_param(param.name.c_str(), param.values);
  }

  device.begin_frame();
  device.clear(0, 0, 0);
  device.set_shader(shader);
  device.draw_quad(0, 0, 1, 1);
  device.end_frame();
  device.present();

  bw::assets::PixelBuffer picture;
  if (!device.read_back_buffer(picture.rgba, picture.width, picture.height)) {
    std::fprintf(stderr, "%s: the picture cannot be read back\n", kName);
    return 1;
  }
  if (!bw::assets::save_png(picture, options.output, &error)) {
    std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    return 1;
  }
  return 0;
#endif
}

const bwtool::CommandRegistration registration("fx render", kUsage, &run_fx_render);

}  // namespace
