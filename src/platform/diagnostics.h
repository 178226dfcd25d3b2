// The one diagnostics sink: every layer writes its one-line messages here, and the program
// decides where they go (standard error by default; a Windows saver, which has no console,
// sends them to the debugger's output and a log file).
#pragma once

#include <functional>
#include <string>

#if defined(__MINGW32__)
#define BW_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define BW_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

namespace bw::diag {

// Receives one message: a single line, without its line end.
using Sink = std::function<void(const std::string& line)>;

// Hands `line` (one line, no line end) to the installed sink.
void say(const std::string& line);

// Formats like printf and hands the result to the installed sink.
void message(const char* format, ...) BW_PRINTF_FORMAT(1, 2);

// Makes `sink` receive every later message and returns the one it replaces; an empty sink
// restores the default, standard error.
Sink install_sink(Sink sink);

// The default sink: the line and a line end on standard error.
void to_standard_error(const std::string& line);

// The end of a program's run, through which every program returns its status: flushes
// standard output and, when anything written there was lost (a full disk, a closed
// descriptor), says "<program>: cannot write to standard output: <reason>" and turns a
// status of 0 into 1, so that a listing that never arrived is not reported as done.
int finish_standard_output(const char* program, int status);

}  // namespace bw::diag
