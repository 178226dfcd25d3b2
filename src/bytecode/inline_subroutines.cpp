// Inlining of subroutines. A program is main (up to the first label) followed by its
// subroutines, each from `label lN` to the next label; main may end with a `ret` that
// only marks where the subroutines begin.
#include "bytecode/inline_subroutines.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace bw::bytecode {
namespace {

bool is_declaration(std::uint16_t opcode) {
  return opcode == kDcl || opcode == kDef || opcode == kDefi || opcode == kDefb;
}

std::string label_name(std::uint32_t index) { return "l" + std::to_string(index); }

constexpr const char* kMain = "the main program";

// Far beyond any program a driver takes (512 slots and up), and small enough that a chain
// of subroutines each calling the next twice cannot exhaust memory.
constexpr std::size_t kMaxInlinedInstructions = 65536;

// A run of executable instructions, main's or one subroutine's, without its closing ret.
using Body = std::vector<Instruction>;

class Inliner {
 public:
  explicit Inliner(std::string& error) : error_(error) {}

  // Splits `program` into declarations, main and subroutines; false on a misplaced ret.
  bool split(const Program& program) {
    Body* body = &main_;
    std::string owner = kMain;
    bool returned = false;
    for (const Instruction& instruction : program.instructions) {
      if (is_declaration(instruction.opcode)) {
        declarations_.push_back(instruction);
        continue;
      }
      if (instruction.opcode == kLabelOp) {
        const std::uint32_t index = instruction.sources[0].reg.index;
        if (subroutines_.count(index) != 0)
          return fail("subroutine " + label_name(index) + " is defined twice");
        if (owner != kMain && !returned) return fail(owner + " does not end with ret");
        body = &subroutines_[index];
        owner = "subroutine " + label_name(index);
        returned = false;
        continue;
      }
      if (returned) return fail(owner + " returns before its end; it cannot be inlined");
      if (instruction.opcode == kRet) {
        returned = true;
        continue;
      }
      body->push_back(instruction);
    }
    if (owner != kMain && !returned) return fail(owner + " does not end with ret");
    return true;
  }

  // Appends `body` to `out` with its calls replaced; `active` holds the subroutines being
  // expanded, which a call may not name again.
  bool expand(const Body& body, Body& out, std::vector<std::uint32_t>& active) {
    for (const Instruction& instruction : body) {
      if (out.size() >= kMaxInlinedInstructions)
        return fail("the program grows past " + std::to_string(kMaxInlinedInstructions) +
                    " instructions when its subroutines are written into their callers");
      if (instruction.opcode != kCall && instruction.opcode != kCallnz) {
        out.push_back(instruction);
        continue;
      }
      const std::uint32_t index = instruction.sources[0].reg.index;
      const auto found = subroutines_.find(index);
      if (found == subroutines_.end())
        return fail("call of subroutine " + label_name(index) + ", which is not defined");
      for (const std::uint32_t open : active)
        if (open == index) return fail("subroutine " + label_name(index) + " calls itself");
      if (instruction.opcode == kCallnz) {
        Instruction test;
        test.opcode = kIf;
        test.source_count = 1;
        test.sources[0] = instruction.sources[1];
        out.push_back(test);
      }
      active.push_back(index);
      if (!expand(found->second, out, active)) return false;
      active.pop_back();
      if (instruction.opcode == kCallnz) {
        Instruction end;
        end.opcode = kEndif;
        out.push_back(end);
      }
    }
    return true;
  }

  std::optional<Program> run(const Program& program) {
    if (!split(program)) return std::nullopt;
    Program result;
    result.version = program.version;
    result.instructions = declarations_;
    std::vector<std::uint32_t> active;
    if (!expand(main_, result.instructions, active)) return std::nullopt;
    return result;
  }

 private:
  bool fail(const std::string& message) {
    error_ = message;
    return false;
  }

  std::string& error_;
  Body declarations_;
  Body main_;
  std::map<std::uint32_t, Body> subroutines_;
};

}  // namespace

std::optional<Program> inline_subroutines(const Program& program, std::string& error) {
  return Inliner(error).run(program);
}

bool inlined_size_within_bound(const Program& program, std::string& error) {
  // The executable instructions of main (key -1) and of each subroutine, and the calls
  // among them, in order.
  std::map<std::int64_t, std::vector<const Instruction*>> bodies;
  std::int64_t owner = -1;
  for (const Instruction& instruction : program.instructions) {
    if (instruction.opcode == kLabelOp) {
      owner = instruction.sources[0].reg.index;
      bodies[owner];
    } else if (!is_declaration(instruction.opcode) && instruction.opcode != kRet) {
      bodies[owner].push_back(&instruction);
    }
  }
  // Sizes once written out, each computed once and capped just past the bound, so that a
  // chain of subroutines each calling the next twice costs one step per call written.
  constexpr std::uint64_t kCap = kMaxInlinedInstructions + 1;
  std::map<std::int64_t, std::uint64_t> sizes;
  std::set<std::int64_t> open;
  std::function<std::uint64_t(std::int64_t)> size_of = [&](std::int64_t label) -> std::uint64_t {
    if (const auto known = sizes.find(label); known != sizes.end()) return known->second;
    const auto body = bodies.find(label);
    // An undefined or recursive call is refused where the program is translated.
    if (body == bodies.end() || !open.insert(label).second) return 0;
    std::uint64_t total = 0;
    for (const Instruction* instruction : body->second) {
      if (instruction->opcode == kCall || instruction->opcode == kCallnz) {
        total += size_of(instruction->sources[0].reg.index) +
                 (instruction->opcode == kCallnz ? 2 : 0);
      } else {
        total += 1;
      }
      total = std::min(total, kCap);
    }
    open.erase(label);
    sizes[label] = total;
    return total;
  };
  if (size_of(-1) <= kMaxInlinedInstructions) return true;
  error = "the program grows past " + std::to_string(kMaxInlinedInstructions) +
          " instructions when its subroutines are written into their callers";
  return false;
}

std::uint32_t instruction_slots(const Program& program) {
  std::uint32_t slots = 0;
  for (const Instruction& instruction : program.instructions) {
    const OpcodeInfo* info = opcode_info(instruction.opcode);
    slots += info != nullptr ? info->slots : 0;
  }
  return slots;
}

}  // namespace bw::bytecode
