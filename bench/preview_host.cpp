// preview_host.exe SAVER STOP_FILE [WIDTH HEIGHT]: runs brushwright.scr as Windows would,
// as a preview in a WIDTH x HEIGHT box of this program's (the Screen Saver page's is
// 152 x 112), or full screen without a size, until STOP_FILE exists, and then ends it: the
// preview by taking its box away, the full-screen saver with a key. bench/preview_cpu.sh
// measures the saver's CPU time meanwhile.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs this thread's messages until `stop_file` exists.
void pump_until(const char* stop_file) {
  while (GetFileAttributesA(stop_file) == INVALID_FILE_ATTRIBUTES) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: preview_host SAVER STOP_FILE [WIDTH HEIGHT]\n");
    return 2;
  }
  HWND parent = nullptr;
  std::string command = "\"" + std::string(argv[1]) + "\" /s";
  if (argc == 5) {
    parent = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0,
                             std::atoi(argv[3]), std::atoi(argv[4]), nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (parent == nullptr) return 1;
    command = "\"" + std::string(argv[1]) + "\" /p " +
              std::to_string(reinterpret_cast<intptr_t>(parent));
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "preview_host: cannot start %s\n", command.c_str());
    return 1;
  }
  pump_until(argv[2]);
  if (parent != nullptr) {
    DestroyWindow(parent);
  } else if (HWND window = FindWindowA("BRUSHWRIGHT", nullptr)) {
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
  }
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended ? 0 : 1;
}
