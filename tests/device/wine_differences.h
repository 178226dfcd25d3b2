// Where Wine's Direct3D 9 (Wine 8, wined3d over OpenGL, here on Mesa's llvmpipe) gives
// another result than Direct3D 9 documents. The one list of them: the pixel tests on the
// Direct3D 9 backend expect Wine's value when they run under Wine, and the comparison of
// the two backends expects the documented value from GL and Wine's from Direct3D 9. Every
// other case must agree with the documented result on both backends.
#pragma once

#include <cstring>

namespace bw::device {

struct WineDifference {
  const char* case_name;   // an instruction case (instruction_cases.h) or a pixel test case
  const char* documented;  // what Direct3D 9 documents
  const char* wine;        // what Wine gives
  bool wine_fixed;         // Wine gives the same picture every time (else: left-overs)
  float wine_r0[4];        // an instruction case's r0 as Wine computes it, when fixed
  const char* gl;          // what the GL backend gives
};

inline const WineDifference kWineDifferences[] = {
    {"predicated write",
     "(p0) mov writes only the components whose predicate is true: r0 = (2, 0.4, -1, 0.25)",
     "predicates are not implemented; the write reaches every component: r0 = (2, 0.5, -1, "
     "0.25)",
     true, {2.0f, 0.5f, -1.0f, 0.25f}, "the documented value"},
    {"call",
     "call runs the subroutine and main goes on after it: r0 = (1, -0.25, 0.75, 1)",
     "a program with a subroutine compiles, but the stage's outputs (a pixel program's colour, "
     "a vertex program's position) are handed on at the end of the last subroutine instead of "
     "the end of main: they hold what main had when it called that subroutine, and are "
     "never written when main does not call it",
     false, {0, 0, 0, 0}, "the documented value"},
    {"vs lit facing away",
     "lit gives z = 0 when x <= 0: (1, 0, 0, 1)",
     "z = pow(max(y, 0), w) whatever x, infinite for a negative power: (1, 0, inf, 1)",
     true, {1.0f, 0.0f, 1e30f, 1.0f}, "the documented value"},
    {"texkill on w alone",
     "texkill discards the pixel when x, y or z is below zero; a negative w alone keeps it",
     "the pixel is discarded when any of the four components, w included, is below zero",
     true, {0, 0, 0, 0}, "the documented value"},
};

// The listed difference of a case, or null.
inline const WineDifference* wine_difference(const char* case_name) {
  for (const WineDifference& difference : kWineDifferences)
    if (std::strcmp(difference.case_name, case_name) == 0) return &difference;
  return nullptr;
}

}  // namespace bw::device
