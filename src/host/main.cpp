// brushwright: the screen saver that paints.
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "usage: brushwright [OPTIONS]\n"
    "\n"
    "A screen saver that paints: every few seconds it builds a new abstract oil\n"
    "painting, reveals it slowly, holds it and cross-fades into the next.\n"
    "\n"
    "Modes:\n"
    "  --root                draw on the root window (or XSCREENSAVER_WINDOW)\n"
    "  --window              draw in a normal window (the default)\n"
    "  --window-id ID        draw into an existing window (preview)\n"
    "  --fullscreen          full-screen saver; a key or a click ends it\n"
    "  --render DIR --pictures N [--size WxH]\n"
    "                        render N pictures headless into DIR as PNG files\n"
    "Options:\n"
    "  --speed N             painting speed (default 20)\n"
    "  --delay N             seconds a finished picture is held (default 7)\n"
    "  --seed N              seed of the random choices\n"
    "  --fps                 print the frame rate once a second\n"
    "  --help                print this help\n"
    "  --version             print the version\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-help") == 0 ||
        std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("brushwright %s\n", BW_VERSION);
      return 0;
    }
  }
  std::fputs("brushwright: the saver window is not available in this build; see --help\n",
             stderr);
  return 1;
}
