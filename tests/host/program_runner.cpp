#include "program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

namespace bw::host::testing {

Child start_saver(const std::vector<std::string>& args, const std::string& config_home) {
  static int serial = 0;
  Child child;
  const std::string base = config_home + "/run" + std::to_string(++serial);
  child.out_file = base + ".out";
  child.err_file = base + ".err";
  child.pid = fork();
  if (child.pid == 0) {
    const int out = open(child.out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(child.err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    unsetenv("XSCREENSAVER_WINDOW");
    std::vector<char*> argv{const_cast<char*>(BW_BRUSHWRIGHT)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(BW_BRUSHWRIGHT, argv.data());
    _exit(127);
  }
  return child;
}

int wait_for(Child& child, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (true) {
    int status = 0;
    const pid_t done = waitpid(child.pid, &status, WNOHANG);
    if (done == child.pid) {
      child.pid = -1;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      child.end_signal = WTERMSIG(status);
      return 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void kill_child(Child& child) {
  if (child.pid <= 0) return;
  kill(child.pid, SIGKILL);
  waitpid(child.pid, nullptr, 0);
  child.pid = -1;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace bw::host::testing
