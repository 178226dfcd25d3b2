// The saver's command line: in-place splitting and the choice of mode. Platform-neutral:
// the preview-tool finder is passed in, so the Windows build hands in the real one and
// tests hand in their own.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace bw::host {

// Argument slots 1 to 255 point into the split command line; slot 0 is never used.
inline constexpr int kMaxArguments = 255;

struct ArgumentVector {
  char* slot[kMaxArguments + 1] = {};  // slot[1] .. slot[count - 1] are the arguments
  int count = 1;                       // 1 + the number of arguments
};

// True for a byte that ends an argument: any byte whose signed 8-bit value is at most 32,
// so control characters, space, and every byte from 0x80 to 0xFF.
constexpr bool is_separator(char c) { return static_cast<signed char>(c) <= 32; }

// Splits `line` in place (a zero is written after each argument) into at most 255
// arguments; further arguments are left unsplit and ignored.
ArgumentVector split_command_line(char* line);

// atoi as the Windows C runtime reads it: leading white space, an optional sign, then
// decimal digits up to the first non-digit; no digits give 0; out of range clamps to
// INT32_MIN or INT32_MAX.
int32_t atoi32(std::string_view text);

enum class Mode { fullscreen, preview, settings };

// What the saver does for a command line, and the window that owns it.
struct ModeChoice {
  Mode mode = Mode::fullscreen;
  intptr_t parent = 0;  // preview parent or owner of the Setting dialog; 0 otherwise
};

// Finds (or starts) the system's preview tool and returns its preview window, or 0.
using PreviewToolFinder = std::function<intptr_t()>;

// Chooses the mode: "/p" HANDLE or "/p scrprev" for preview, "/c:HANDLE" for the Setting
// dialog, anything else full-screen. A preview whose parent turns out to be 0 (no second
// argument, a handle atoi reads as 0, no preview tool) is the full-screen saver.
ModeChoice choose_mode(const ArgumentVector& args, const PreviewToolFinder& find_preview_tool);

}  // namespace bw::host
