// Runs the saver program from tests: a child process with its own settings folder, its
// output captured, waited for with a time limit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bw::host::testing {

struct Child {
  pid_t pid = -1;
  std::string out_file;
  std::string err_file;
  int end_signal = 0;  // the signal that ended it, 0 when it exited or still runs
};

// Starts BW_BRUSHWRIGHT with `args`, XDG_CONFIG_HOME set to `config_home`.
Child start_saver(const std::vector<std::string>& args, const std::string& config_home);

// Waits up to `seconds`; the exit status (128 + the signal for a program a signal ended, which
// end_signal then names), or -1 while it still runs (it is left running).
int wait_for(Child& child, double seconds);

// Ends a child that still runs (SIGKILL) and reaps it.
void kill_child(Child& child);

// The whole text of a file ("" when it cannot be read).
std::string slurp(const std::string& path);

}  // namespace bw::host::testing
