// A second, independent assembler (Debian's libmojoshader) reads our listings of the
// hand-written programs and agrees with ours, token for token, on every line both accept. That
// library is an old snapshot: it rejects predication, relative inputs and outputs and "used
// uninitialised" temporaries, and it writes no usage into shader model 3 pixel input
// declarations; lines it rejects are skipped, and declarations of ps_3_0 inputs are left
// out of the comparison (our own table checks them against the documented layout).
#include <gtest/gtest.h>
#include <mojoshader.h>

#include <cstdio>
#include <sstream>

#include "bytecode/assemble.h"
#include "bytecode/decode.h"
#include "programs.h"

namespace bw::bytecode {
namespace {

// Tokens without comment blocks and, for ps_3_0, without dcl instructions of inputs.
std::vector<std::uint32_t> comparable(const std::uint32_t* tokens, std::size_t count) {
  std::vector<std::uint32_t> out;
  const bool ps3 = count > 0 && tokens[0] == 0xFFFF0300;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t op = tokens[i] & 0xFFFF;
    if (i > 0 && op == kComment) {
      i += (tokens[i] >> 16) & 0x7FFF;
      continue;
    }
    const bool input_dcl =
        i > 0 && op == kDcl && i + 2 < count && ((tokens[i + 2] >> 28) & 7) == kInput;
    if (ps3 && input_dcl) {
      i += 2;
      continue;
    }
    out.push_back(tokens[i]);
    if (i > 0 && op != kEnd && op != kComment) {
      const std::size_t length = (tokens[i] >> 24) & 0xF;
      for (std::size_t k = 1; k <= length && i + k < count; ++k) out.push_back(tokens[i + k]);
      i += length;
    }
  }
  return out;
}

TEST(MojoshaderCrossCheck, BothAssemblersGiveTheSameTokens) {
  int compared = 0;
  for (const auto* list : {&testing::vertex_programs(), &testing::pixel_programs()}) {
    for (const auto& p : *list) {
      // Lines of our own listing, so that the other assembler also reads what we write.
      std::string error;
      auto tokens = assemble(p.text, error);
      ASSERT_TRUE(tokens) << error;
      auto program = decode(*tokens, error);
      ASSERT_TRUE(program) << error;
      std::istringstream in(disassemble(*program));
      std::string version, line, declarations;
      std::vector<std::string> body;
      std::getline(in, version);
      while (std::getline(in, line)) {
        if (line.rfind("dcl", 0) == 0 || line.rfind("def", 0) == 0) {
          declarations += line + "\n";
        } else {
          body.push_back(line);
        }
      }
      for (const std::string& instruction : body) {
        const std::string text = version + "\n" + declarations + instruction + "\n";
        const MOJOSHADER_parseData* theirs = MOJOSHADER_assemble(
            "test", text.c_str(), static_cast<unsigned>(text.size()), nullptr, 0, nullptr, 0,
            nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
        auto ours = assemble(text, error);
        if (theirs->error_count == 0 && ours) {
          const auto* words = reinterpret_cast<const std::uint32_t*>(theirs->output);
          EXPECT_EQ(comparable(words, static_cast<std::size_t>(theirs->output_len) / 4),
                    comparable(ours->data(), ours->size()))
              << text;
          ++compared;
        }
        MOJOSHADER_freeParseData(theirs);
      }
    }
  }
  // Most lines are in the syntax both accept; a change that made the comparison vacuous
  // would show here.
  EXPECT_GE(compared, 60);
}

// def values as our disassembler writes them read back to the same bits in the other
// assembler too: denormals and values with long decimal forms. (That snapshot reads
// integer parts through a 32-bit integer and drops the sign of a zero, so the largest
// floats and -0 are beyond it; our own round trip covers them.)
TEST(MojoshaderCrossCheck, DefValuesReadBackToTheSameBits) {
  const std::uint32_t cases[] = {0x00000001, 0x807FFFFF, 0x00800000, 0xB5D00D01,
                                 0x3DCCCCCD, 0x4B800001, 0x3EAAAAAB, 0xC47A0000};
  for (const std::uint32_t bits : cases) {
    char text[96];
    std::snprintf(text, sizeof text, "ps_3_0\ndef c0, 0x%08x, 1, 2, 3\nmov oC0, c0\n", bits);
    std::string error;
    const std::string listing = testing::listing_of(text, error);
    ASSERT_FALSE(listing.empty()) << error;
    const MOJOSHADER_parseData* theirs = MOJOSHADER_assemble(
        "test", listing.c_str(), static_cast<unsigned>(listing.size()), nullptr, 0, nullptr, 0,
        nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(theirs->error_count, 0) << listing;
    if (theirs->error_count == 0) {
      const auto words = comparable(reinterpret_cast<const std::uint32_t*>(theirs->output),
                                    static_cast<std::size_t>(theirs->output_len) / 4);
      ASSERT_GT(words.size(), 3u);
      EXPECT_EQ(words[3], bits) << listing;
    }
    MOJOSHADER_freeParseData(theirs);
  }
}

}  // namespace
}  // namespace bw::bytecode
