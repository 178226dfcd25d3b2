// brushwright.scr: the screen saver on Windows. One thread: the command line chooses the
// mode, the saver window is made (and full screen one more window on every other monitor),
// an engine starts on each and a frame of each is rendered whenever no window message
// waits. "--render DIR ..." paints pictures headless instead,
// with no window shown, as the Linux saver does.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "device/d3d9/d3d9_backend.h"
#include "host/command_line.h"
#include "host/engine_host.h"
#include "host/headless_render.h"
#include "host/options.h"
#include "host/picture_choice.h"
#include "host/settings.h"
#include "host/win32/monitors.h"
#include "host/win32/process_setup.h"
#include "host/win32/registry_settings.h"
#include "host/win32/resource.h"
#include "host/win32/saver_log.h"
#include "host/win32/saver_picture.h"
#include "host/win32/settings_dialog.h"
#include "painter/clock.h"
#include "painter/engine.h"
#include "platform/diagnostics.h"

namespace bw::host {
namespace {

constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT kPreviewWaitMs = 1000;
constexpr int kEmptyParentSize = 512;     // a preview's size in a parent with no area
constexpr DWORD kPreviewFrameMs = 40;     // a preview draws at most 25 frames a second

// One painting: a window, the size its device is asked for, and the engine painting
// into it (none before the start, or when it could not start).
struct Painting {
  PaintingTarget target;
  HWND window = nullptr;
  HMONITOR monitor = nullptr;  // none for the saver window
  std::unique_ptr<painter::PainterState> state;
};

// The host's state: the window procedure reaches it as well as run_saver.
struct Host {
  HINSTANCE instance = nullptr;
  char window_title[100] = {};
  char window_class[100] = {};
  HWND saver_window = nullptr;
  HWND preview_parent = nullptr;  // non-zero only in preview mode
  bool preview_wait = false;
  SaverSettings settings;           // read once, when the window is made
  std::vector<Painting> paintings;  // the saver window's first, then one per other monitor
};
Host g_host;

bool in_preview() { return g_host.preview_parent != nullptr; }

// The engine painting into `window`, if it runs.
painter::PainterState* engine_of(HWND window) {
  for (Painting& painting : g_host.paintings)
    if (painting.window == window && painting.state && painting.state->device)
      return painting.state.get();
  return nullptr;
}

// A one-line message of the host, to the saver's diagnostics.
void report(const std::string& message) { diag::say("brushwright: " + message); }

// The first line of a run in the log, for a fault report: the version, the mode and the
// monitors with their places and sizes.
void log_start(const char* mode) {
  std::string line = "Brushwright " BW_VERSION " starts (" + std::string(mode) + "); monitors:";
  for (const Monitor& monitor : list_monitors()) {
    const RECT& a = monitor.area;
    line += " " + std::to_string(a.right - a.left) + "x" + std::to_string(a.bottom - a.top) +
            " at " + std::to_string(a.left) + "," + std::to_string(a.top) +
            (monitor.primary ? " (primary)" : "");
  }
  report(line);
}

// The options of one painting: the settled picture, its own seed.
SaverOptions painting_options(const std::string& picture, uint32_t seed) {
  SaverOptions options;
  options.picture = picture;
  options.picture_choices = g_host.settings.picture.choices;
  options.seed = seed;
  return options;
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      if (auto* state = engine_of(window)) state->device->resize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_PAINT:
      if (auto* state = engine_of(window)) {
        render_frame(*state);
      } else if (window != g_host.saver_window) {
        // A monitor whose painting has not started, or could not, stays black.
        PAINTSTRUCT paint;
        HDC context = BeginPaint(window, &paint);
        FillRect(context, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(window, &paint);
        return 0;
      }
      return DefWindowProcA(window, message, wparam, lparam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      // Nothing closes a preview but its parent.
      if (!in_preview()) PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == BW_COMMAND_ABOUT) {
        DialogBoxParamA(g_host.instance, MAKEINTRESOURCEA(BW_DIALOG_ABOUT), window,
                        about_dialog_proc, 0);
        return 0;
      }
      if (LOWORD(wparam) == BW_COMMAND_CLOSE) {
        DestroyWindow(window);
        return 0;
      }
      return DefWindowProcA(window, message, wparam, lparam);
    case WM_TIMER:
      g_host.preview_wait = false;
      KillTimer(window, kPreviewTimer);
      return 0;
    case WM_USER:
      SetTimer(window, kPreviewTimer, kPreviewWaitMs, nullptr);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

void register_saver_class(HINSTANCE instance) {
  WNDCLASSEXA saver_class = {};
  saver_class.cbSize = sizeof saver_class;
  saver_class.style = CS_HREDRAW | CS_VREDRAW;
  saver_class.lpfnWndProc = saver_window_proc;
  saver_class.hInstance = instance;
  saver_class.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(BW_ICON_SAVER));
  saver_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  saver_class.lpszClassName = g_host.window_class;
  RegisterClassExA(&saver_class);
}

bool create_saver_window(int show_command) {
  int width = 0, height = 0;
  DWORD style = WS_POPUP | WS_VISIBLE;
  Painting painting;
  if (in_preview()) {
    RECT parent = {};
    GetWindowRect(g_host.preview_parent, &parent);
    width = parent.right - parent.left;
    height = parent.bottom - parent.top;
    if (parent.left == parent.right || parent.top == parent.bottom)
      width = height = kEmptyParentSize;
    style = WS_CHILD | WS_VISIBLE;
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  // A preview is painted at its own size: a few hundred pixels, not the thousand a
  // screen takes, so that it costs little.
  painting.target.width = width;
  painting.target.height = height;
  g_host.saver_window =
      CreateWindowExA(0, g_host.window_class, g_host.window_title, style, 0, 0, width, height,
                      g_host.preview_parent, nullptr, g_host.instance, nullptr);
  if (g_host.saver_window == nullptr) return false;
  painting.window = g_host.saver_window;
  painting.target.window = reinterpret_cast<std::uintptr_t>(g_host.saver_window);
  g_host.paintings.push_back(std::move(painting));
  g_host.settings = read_saver_settings(stored_picture_choice(), std::random_device{}());

  ShowWindow(g_host.saver_window, show_command);
  UpdateWindow(g_host.saver_window);
  return true;
}

// Covers each monitor besides the primary one (and those that mirror it) with a window of
// the saver's class, which ends the saver on the same input as the saver window and gets
// a painting of its own.
void cover_other_monitors() {
  for (const Monitor& monitor : other_monitors_to_paint(list_monitors())) {
    const RECT& area = monitor.area;
    Painting painting;
    painting.target.width = area.right - area.left;
    painting.target.height = area.bottom - area.top;
    painting.monitor = monitor.handle;
    painting.window = CreateWindowExA(0, g_host.window_class, g_host.window_title,
                                      WS_POPUP | WS_VISIBLE, area.left, area.top,
                                      painting.target.width, painting.target.height, nullptr,
                                      nullptr, g_host.instance, nullptr);
    if (painting.window == nullptr) continue;
    painting.target.window = reinterpret_cast<std::uintptr_t>(painting.window);
    g_host.paintings.push_back(std::move(painting));
  }
}

// Runs the one-second wait of a preview; false when the window went in the meantime.
bool wait_for_preview() {
  g_host.preview_wait = true;
  PostMessageA(g_host.saver_window, WM_USER, 0, 0);
  MSG message = {};
  while (g_host.preview_wait) {
    const BOOL got = GetMessageA(&message, g_host.saver_window, 0, 0);
    if (got == 0) {
      PostQuitMessage(0);
      break;
    }
    // A parent that destroys its child during the wait leaves nothing to wait for: the
    // filtered call fails from then on, and the quit message is already posted.
    if (got == -1 && !IsWindow(g_host.saver_window)) break;
    if (got == -1) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return IsWindow(g_host.saver_window) != FALSE;
}

// Without data a full-screen saver says where it looked and ends; a preview stays empty
// until its parent takes it away.
int run_without_data() {
  const auto& looked_in = g_host.settings.looked_in;
  std::string text = "Brushwright found no picture data (a data folder) in:";
  for (const auto& folder : looked_in) text += "\n" + folder;
  report("no picture data in " + looked_in.front());
  if (in_preview()) {
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    return 0;
  }
  // Hidden, not destroyed: its quit message would close the box at once.
  ShowWindow(g_host.saver_window, SW_HIDE);
  MessageBoxA(nullptr, text.c_str(), g_host.window_title, MB_OK | MB_ICONERROR);
  return 1;
}

// Starts the engine of one painting; `index` 0 is the saver window. Each painting draws
// from a random sequence of its own (and, with "random", its own first picture).
painter::StartResult start_one(Painting& painting, size_t index, uint32_t seed) {
  device::D3d9BackendOptions backend_options;
  backend_options.use_window = true;
  backend_options.monitor = painting.monitor;
  // A preview, or a painting on another monitor, shows no message boxes of its own: its
  // messages go to the log (the saver window's start has said what a user must see).
  if (in_preview() || index > 0)
    backend_options.report_error = [](const char* text) { report(text); };
  auto backend = device::make_d3d9_backend(std::move(backend_options));
  const device::D3d9Backend* drawing = backend.get();
  const PictureChoice& choice = g_host.settings.picture;
  std::string picture = choice.picture;
  if (index > 0 && !choice.choices.empty()) {
    std::string unused;
    picture = choose_picture(std::string(kRandomPicture), choice.choices, seed, unused)
                  .value_or(picture);
  }
  painting.state = std::make_unique<painter::PainterState>();
  painter::PainterState& state = *painting.state;
  const auto result = start_painting(state, painting_options(picture, seed),
                                     g_host.settings.settings, g_host.settings.installation,
                                     std::move(backend), painting.target);
  if (result != painter::StartResult::started) {
    painting.state.reset();
    return result;
  }
  report((index > 0 ? "monitor " + std::to_string(index + 1) + " " : std::string()) +
         "device: " + drawing->adapter_description() + ", painting " + picture +
         (choice.choices.empty() ? "" : " (drawn at random)") + " at " +
         std::to_string(state.target_width) + "x" + std::to_string(state.target_height));
  return result;
}

int run_engine() {
  // The frame timing reads the multimedia timer: 1 ms steps while the saver runs.
  const painter::FineTimerPeriod fine_timer;
  const uint32_t seed = std::random_device{}();
  const auto result = start_one(g_host.paintings.front(), 0, seed);
  // A picture without its description ends the process as exit(-1) would; a device that
  // could not be made ends it quietly (the device layer has shown why).
  if (result == painter::StartResult::no_description) return -1;
  if (result != painter::StartResult::started) return 0;
  // Another monitor that cannot be painted stays black; the others paint on.
  for (size_t i = 1; i < g_host.paintings.size(); ++i)
    if (start_one(g_host.paintings[i], i, seed + static_cast<uint32_t>(i) * 0x9E3779B9u) !=
        painter::StartResult::started)
      report("monitor " + std::to_string(i + 1) + " stays black: its painting did not start");
  if (!in_preview()) ShowCursor(FALSE);

  MSG message = {};
  DWORD last_frame = timeGetTime();
  while (message.message != WM_QUIT) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
      continue;
    }
    // A preview is a small picture in a settings page: a few frames a second are enough,
    // and between them it waits for a message.
    const DWORD since = timeGetTime() - last_frame;
    if (in_preview() && since < kPreviewFrameMs) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kPreviewFrameMs - since, QS_ALLINPUT);
      continue;
    }
    last_frame = timeGetTime();
    for (Painting& painting : g_host.paintings)
      if (painting.state) render_frame(*painting.state);
  }
  ShowCursor(TRUE);
  return static_cast<int>(message.wParam);
}

// A run from a console (--render) writes its messages there: to the standard handles the
// program was given, else to its parent's console.
void use_parent_console() {
  const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  if (errors != nullptr && errors != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

// brushwright.scr --render DIR --pictures N [--size WxH] [--seed S] [--picture P] ...:
// the pictures painted headless on Direct3D 9 (a hidden device window), the settings read
// as the saver reads them, the options of the Linux saver's --render.
int run_headless_render(const ArgumentVector& args) {
  use_parent_console();
  std::vector<std::string> words = {"brushwright"};
  for (int i = 1; i < args.count; ++i) words.emplace_back(args.slot[i]);
  std::string error;
  auto options = parse_saver_options(words, nullptr, error);
  if (options && options->mode == SaverMode::help) {
    std::fputs("usage: brushwright.scr --render DIR --pictures N [--size WxH] [--seed N]\n"
               "         [--picture NAME] [--speed N] [--delay N] [--frames]\n"
               "paints N pictures headless into DIR (picture-001.png ..., contact-sheet.png);\n"
               "/s, /p HANDLE and /c:HANDLE run the screen saver\n",
               stdout);
    return 0;
  }
  if (options && options->mode != SaverMode::render)
    error = "from a command line the Windows saver only renders (--render DIR --pictures N)";
  if (!options || options->mode != SaverMode::render) {
    diag::message("brushwright: %s", error.c_str());
    return 2;
  }
  const uint32_t seed = options->seed ? *options->seed : std::random_device{}();
  const SaverSettings run = read_saver_settings(options->picture, seed);
  if (!run.looked_in.empty()) {
    diag::message("brushwright: no picture data in \"%s\"", run.looked_in.front().c_str());
    return 1;
  }
  Settings settings = run.settings;
  options->picture = run.picture.picture;
  options->picture_choices = run.picture.choices;
  if (options->speed) settings.speed = *parse_seconds_or_speed(*options->speed);
  if (options->delay) settings.delay = *parse_seconds_or_speed(*options->delay);
  device::D3d9BackendOptions backend_options;
  backend_options.report_error = [](const char* text) {
    diag::message("brushwright: %s", text);
  };
  return render_pictures(*options, settings, run.installation,
                         device::make_d3d9_backend(std::move(backend_options)));
}

// True when the command line begins with a long option ("--render ..."), which no mode of
// the screen-saver protocol does.
bool is_headless_command(const ArgumentVector& args) {
  return args.count > 1 && args.slot[1][0] == '-' && args.slot[1][1] == '-';
}

}  // namespace

// Finds the system's preview tool, starting it when it is not running, and returns the
// first child of its window: the parent of a preview.
intptr_t find_preview_tool() {
  HWND tool = FindWindowA("Scrprev", nullptr);
  if (tool == nullptr) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char command[] = "Scrprev";
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &process))
      return 0;
    const DWORD waited = WaitForInputIdle(process.hProcess, 2000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited == WAIT_TIMEOUT || waited == WAIT_FAILED) return 0;
    tool = FindWindowA("Scrprev", nullptr);
    if (tool == nullptr) return 0;
  }
  SetForegroundWindow(tool);
  return reinterpret_cast<intptr_t>(GetWindow(tool, GW_CHILD));
}

int run_saver(HINSTANCE instance, char* command_line, int show_command) {
  const ArgumentVector args = split_command_line(command_line);
  if (is_headless_command(args)) return run_headless_render(args);
  install_saver_log();
  g_host.instance = instance;
  LoadStringA(instance, BW_STRING_TITLE, g_host.window_title, sizeof g_host.window_title);
  LoadStringA(instance, BW_STRING_CLASS, g_host.window_class, sizeof g_host.window_class);
  register_saver_class(instance);

  const ModeChoice choice = choose_mode(args, find_preview_tool);
  log_start(choice.mode == Mode::settings  ? "Setting dialog"
            : choice.mode == Mode::preview ? "preview"
                                           : "full screen");
  if (choice.mode == Mode::settings) {
    ShowCursor(TRUE);
    return run_settings_dialog(GetModuleHandleA(nullptr), reinterpret_cast<HWND>(choice.parent),
                               g_host.window_title);
  }
  if (choice.mode == Mode::preview) g_host.preview_parent = reinterpret_cast<HWND>(choice.parent);
  use_per_monitor_dpi();
  // A second full-screen saver (the system starting "/s" again while one runs) ends at once.
  std::unique_ptr<FullScreenClaim> claim;
  if (!in_preview()) {
    claim = std::make_unique<FullScreenClaim>();
    if (!claim->held()) {
      report("a full-screen saver already runs; this one ends");
      return 0;
    }
  }

  if (!create_saver_window(show_command)) return 0;
  if (in_preview() && !wait_for_preview()) return 0;
  if (!g_host.settings.looked_in.empty()) return run_without_data();
  if (!in_preview()) cover_other_monitors();
  const int status = run_engine();
  g_host.paintings.clear();  // each device goes with its painting
  return status;
}

}  // namespace bw::host

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command) {
  return bw::host::run_saver(instance, command_line, show_command);
}
