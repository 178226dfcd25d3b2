// GLSL 3.30 emitter over decoded Direct3D 9 programs.
#include "device/bytecode/glsl.h"

namespace bw::bytecode {

int attribute_location(std::uint32_t usage, std::uint32_t usage_index) {
  // D3DDECLUSAGE values: POSITION 0, BLENDWEIGHT 1, BLENDINDICES 2, NORMAL 3, PSIZE 4,
  // TEXCOORD 5, TANGENT 6, BINORMAL 7, TESSFACTOR 8, POSITIONT 9, COLOR 10, FOG 11,
  // DEPTH 12, SAMPLE 13.
  switch (usage) {
    case 0: return usage_index == 0 ? 0 : -1;
    case 5: return usage_index < 8 ? 1 + static_cast<int>(usage_index) : -1;
    case 10: return usage_index < 2 ? 9 + static_cast<int>(usage_index) : -1;
    case 3: return usage_index == 0 ? 11 : -1;
    case 6: return usage_index == 0 ? 12 : -1;
    case 7: return usage_index == 0 ? 13 : -1;
    case 1: return usage_index == 0 ? 14 : -1;
    case 2: return usage_index == 0 ? 15 : -1;
    default: return -1;
  }
}

std::optional<GlslProgram> translate_to_glsl(std::span<const std::uint32_t>,
                                             std::span<const std::uint32_t>,
                                             std::string& error) {
  error = "the GLSL translator is not built yet";
  return std::nullopt;
}

}  // namespace bw::bytecode
