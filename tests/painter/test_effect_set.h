// A small effect set for painting real pixels without the default picture: effect sources
// in Direct3D 9 assembly (a cross-fade, a background and a shape drawn from the picture's
// random values, a blend onto the canvas, a paint mix, plain copies for the rest), the
// assembled images, and patterned images for the stores.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "assets/pixel_buffer.h"
#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"

namespace bw::painter::testing {

inline const char* kVertex =
    ".vertex\nvs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\ndcl_texcoord o1\n"
    "mov o0, v0\nmov o1, v1\n";

inline std::string samplers(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += ".sampler ps texSampler" + std::to_string(i) + " s" + std::to_string(i) + "\n";
  }
  return text;
}

// Effect sources: a cross-fade, a background and a shape from the picture's random values,
// a blend of the shape onto the canvas, a paint mix, and plain copies for the rest.
inline std::map<std::string, std::string> effect_sources() {
  const std::string copy = samplers(8) + kVertex +
                           ".pixel\nps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\n"
                           "texld r0, v0, s0\nmov oC0, r0\n";
  std::map<std::string, std::string> sources;
  for (const char* name : {"filter", "deriv", "color", "color_out", "surface_out", "colorgen",
                           "silhouette"}) {
    sources[name] = copy;
  }
  sources["visual"] = ".param ps alpha c0 1\n" + samplers(2) + kVertex +
                      ".pixel\nps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\ndcl_2d s1\n"
                      "texld r0, v0, s0\ntexld r1, v0, s1\nlrp oC0, c0.x, r0, r1\n";
  sources["background"] = ".param ps f1 c1 4\n.param ps f2 c2 4\n" + samplers(3) + kVertex +
                          ".pixel\nps_3_0\ndef c10, 6.0, 0.5, 0.0, 1.0\n"
                          "dcl_texcoord v0.xy\ndcl_2d s0\n"
                          "texld r0, v0, s0\nmul r1.xy, v0, c1\nmul r1.xy, r1, c10.x\n"
                          "frc r1.xy, r1\nmov r2.xy, r1\nmov r2.z, c2.x\n"
                          "mad r2.xyz, r0, c10.y, r2\nmov r2.w, c10.w\nmov oC0, r2\n";
  sources["formgen"] = ".param ps f1 c1 4\n.param ps f2 c2 4\n.param ps layer c5 1\n" +
                       samplers(3) + kVertex +
                       ".pixel\nps_3_0\ndef c10, 5.0, 0.5, 0.0, 1.0\n"
                       "dcl_texcoord v0.xy\n"
                       "mul r1.xy, v0, c1.zw\nmul r1.xy, r1, c10.x\nfrc r1.xy, r1\n"
                       "add r1.z, r1.x, r1.y\nmul r1.z, r1.z, c10.y\n"
                       "mul r2.xyz, c2, r1.z\nadd r2.x, r2.x, c5.x\nmov r2.w, c10.w\n"
                       "mov oC0, r2\n";
  sources["formgen_out"] = ".param ps alpha c0 1\n" + samplers(6) + kVertex +
                           ".pixel\nps_3_0\ndef c10, 0.0, 0.0, 0.0, 1.0\n"
                           "dcl_texcoord v0.xy\ndcl_2d s0\ndcl_2d s2\n"
                           "texld r0, v0, s0\ntexld r1, v0, s2\nlrp r2, c0.x, r1, r0\n"
                           "mov r2.w, c10.w\nmov oC0, r2\n";
  sources["paint"] = samplers(5) + kVertex +
                     ".pixel\nps_3_0\ndef c10, 0.7, 0.0, 0.0, 1.0\n"
                     "dcl_texcoord v0.xy\ndcl_2d s0\ndcl_2d s2\n"
                     "texld r0, v0, s2\ntexld r1, v0, s0\nlrp r2, c10.x, r0, r1\n"
                     "mov r2.w, c10.w\nmov oC0, r2\n";
  return sources;
}

inline std::vector<std::uint8_t> assembled(const std::string& source) {
  std::string error;
  auto image = bytecode::assemble_effect(source, error);
  auto bytes = image ? bytecode::write_bsf(*image, error) : std::nullopt;
  if (!bytes) std::fprintf(stderr, "test effect: %s\n", error.c_str());
  return bytes ? *bytes : std::vector<std::uint8_t>{};
}

inline assets::PixelBuffer pattern(int width, int height, std::uint32_t seed) {
  assets::PixelBuffer image = *assets::PixelBuffer::allocate(width, height);
  std::uint32_t state = seed;
  for (auto& byte : image.rgba) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return image;
}

// Every file of the set for picture `picture` with the description text: the picture's
// own description and shape effect, the rest in the shared folder.
inline std::map<std::string, std::vector<std::uint8_t>> effect_set_files(
    const std::string& picture, const std::string& description) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  files["data/shaders/" + picture + "/" + picture + ".hdr"] = {description.begin(),
                                                              description.end()};
  for (const auto& [name, source] : effect_sources()) {
    const std::string file = name == "formgen" ? picture + "/formgen.0.bsf" : name + ".bsf";
    files["data/shaders/" + file] = assembled(source);
  }
  return files;
}

}  // namespace bw::painter::testing
