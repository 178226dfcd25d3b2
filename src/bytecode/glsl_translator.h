// The translator of one program. Its work is split over two files: glsl_stage.cpp
// (declarations, functions, registers, writes, globals) and glsl_instructions.cpp (one
// case per instruction).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bytecode/glsl_stage.h"

namespace bw::bytecode::glsl_detail {

// Component letters by index.
inline constexpr const char* kComponents = "xyzw";

// Deepest nesting of loop and rep.
inline constexpr int kMaxLoopNesting = 4;

class StageTranslator {
 public:
  StageTranslator(const Program& program, StageCode& out, std::string& error)
      : p_(program), v_(program.version), out_(out), error_(error) {}

  // Translates the whole program into `out`; false with `error` set on failure.
  bool run();

 private:
  // The main body (label -1) or one subroutine.
  struct Function {
    std::int64_t label = -1;
    std::size_t begin = 0, end = 0;  // instruction range of the body
    std::uint32_t offset = 0;        // token offset of its label
  };

  bool fail(std::uint32_t offset, const std::string& what);

  // Declarations and program structure.
  bool scan_declarations();
  bool split_functions();
  // Nesting depth of flow control at instruction `at` counted from `begin`.
  int depth_at(std::size_t begin, std::size_t at) const;

  // Registers.
  void use(std::uint8_t type, std::uint32_t index);
  std::string index_expr(const Register& r, std::int64_t extra);
  // Name of a register as a GLSL variable (no relative addressing).
  std::string name(std::uint8_t type, std::uint32_t index);
  bool read(const Register& r, std::int64_t extra, std::uint32_t offset, std::string& expr);
  std::string int_const(std::uint32_t index);
  std::string bool_const(std::uint32_t index);
  // vec4 value of a source: register, swizzle, modifier. `extra` offsets the register
  // (matrix rows).
  bool source(const Instruction& ins, int which, std::string& expr, std::int64_t extra = 0);
  // Slot 0 of a source, for the scalar instructions.
  bool scalar(const Instruction& ins, int which, std::string& expr);
  // Boolean condition of a b# or p0 source (if, callnz, breakp).
  bool condition(const Instruction& ins, const Source& s, std::string& expr);

  // Writing.
  void line(const std::string& text);
  std::string predicate_vector(const Instruction& ins);
  // Writes the vec4 `value` (or ivec4 / bvec4 for a0 / p0) to the destination, limited
  // to the components the instruction produces (crs: xyz, sincos: xy, m3x2: xy ...).
  bool write(const Instruction& ins, std::string value, std::uint8_t produced = 0xF);
  void note_write(std::uint8_t type, std::uint32_t index);

  // Instructions (glsl_instructions.cpp).
  void need(const char* helper);
  bool emit_function(const Function& f);
  bool emit(const Instruction& ins, std::vector<std::uint16_t>& blocks, int& loops);
  bool compare(const Instruction& ins, std::string& expr);
  bool loop_depth_ok(const Instruction& ins, const std::vector<std::uint16_t>& blocks);
  bool matrix(const Instruction& ins);
  bool texture(const Instruction& ins);

  // Declarations of the emitted program.
  void emit_globals();
  void emit_helpers();

  const Program& p_;
  const Version& v_;
  StageCode& out_;
  std::string& error_;
  std::map<std::uint32_t, std::array<std::uint32_t, 4>> float_defs_, int_defs_;
  std::map<std::uint32_t, bool> bool_defs_;
  std::set<std::pair<std::uint8_t, std::uint32_t>> used_;
  std::set<std::string> helpers_;
  std::vector<Function> functions_;
  std::vector<std::string> loop_ids_;
  std::string body_, prototypes_;
  int indent_ = 1;
  bool const_relative_ = false, input_relative_ = false;
};

}  // namespace bw::bytecode::glsl_detail
