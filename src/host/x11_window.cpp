#include "host/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <cmath>

namespace bw::host {
namespace {

// Set while a call adopts a window that may not exist: X reports that asynchronously.
bool g_bad_window = false;
int note_bad_window(Display*, XErrorEvent* event) {
  if (event->error_code == BadWindow || event->error_code == BadDrawable) g_bad_window = true;
  return 0;
}

// Names a window of our own for window managers and tools: its title, WM_CLASS, the host
// (WM_CLIENT_MACHINE, which XSetWMProperties fills in) and the process (_NET_WM_PID, which
// only means something beside the host).
void name_own_window(Display* display, Window window) {
  char title[] = "Brushwright";
  char* titles[] = {title};
  XTextProperty name{};
  if (XStringListToTextProperty(titles, 1, &name) == 0) return;
  char res_name[] = "brushwright";
  char res_class[] = "Brushwright";
  XClassHint class_hint{res_name, res_class};
  XSetWMProperties(display, window, &name, &name, nullptr, 0, nullptr, nullptr, &class_hint);
  XFree(name.value);
  const unsigned long pid = static_cast<unsigned long>(getpid());
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

// A busy X server may refuse or reset a connection now and then: tries for about a second.
Display* open_display(std::string& error) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr)) return display;
    if (XDisplayName(nullptr)[0] == '\0') break;
    poll(nullptr, 0, 50);
  }
  const char* name = XDisplayName(nullptr);
  error = std::string("cannot open the X display \"") + (name ? name : "") + "\"";
  return nullptr;
}

// The screen the pointer is on.
int pointer_screen(Display* display) {
  for (int s = 0; s < ScreenCount(display); ++s) {
    Window root_return, child;
    int rx, ry, wx, wy;
    unsigned mask;
    if (XQueryPointer(display, RootWindow(display, s), &root_return, &child, &rx, &ry, &wx, &wy,
                      &mask))
      return s;
  }
  return DefaultScreen(display);
}

}  // namespace

std::unique_ptr<X11Window> X11Window::open(const SaverOptions& options, std::string& error) {
  std::unique_ptr<X11Window> self(new X11Window);
  self->mode_ = options.mode;
  self->display_ = open_display(error);
  if (self->display_ == nullptr) return nullptr;
  if (options.mode == SaverMode::window_id || options.mode == SaverMode::root) {
    if (!self->adopt_window(options.window_id, error)) return nullptr;
    return self;
  }
  if (!self->create_own_window(options, error)) return nullptr;
  return self;
}

bool X11Window::adopt_window(unsigned long target, std::string& error) {
  Display* display = display_;
  if (target == 0) target = DefaultRootWindow(display);
  // The window may vanish at any time (a preview closed): its errors must not end the
  // process, so they are noted, for good, instead of handled by Xlib's default.
  XSetErrorHandler(note_bad_window);
  g_bad_window = false;
  XWindowAttributes attributes{};
  const Status ok = XGetWindowAttributes(display, target, &attributes);
  XSync(display, False);
  if (!ok || g_bad_window) {
    error = "there is no window " + std::to_string(target);
    return false;
  }
  window_ = target;
  width_ = attributes.width;
  height_ = attributes.height;
  // Another program's window: only its size, exposure and destruction concern us.
  XSelectInput(display, target, StructureNotifyMask | ExposureMask);
  XSync(display, False);
  return true;
}

bool X11Window::create_own_window(const SaverOptions& options, std::string& error) {
  Display* display = display_;
  const bool fullscreen = options.mode == SaverMode::fullscreen;
  const int screen = fullscreen ? pointer_screen(display) : DefaultScreen(display);
  const int width = fullscreen ? DisplayWidth(display, screen) : options.width;
  const int height = fullscreen ? DisplayHeight(display, screen) : options.height;
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.override_redirect = fullscreen ? True : False;
  attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask | ButtonPressMask;
  const Window window = XCreateWindow(
      display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  if (window == 0) {
    error = "cannot create the saver window";
    return false;
  }
  window_ = window;
  own_window_ = true;
  width_ = width;
  height_ = height;
  name_own_window(display, window);
  Atom delete_atom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &delete_atom, 1);
  delete_atom_ = delete_atom;
  XMapRaised(display, window);
  if (fullscreen) grab_input();
  XFlush(display);
  return true;
}

void X11Window::grab_input() {
  hide_cursor();
  XSync(display_, False);
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (XGrabKeyboard(display_, window_, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
        GrabSuccess)
      break;
    poll(nullptr, 0, 20);
  }
  XGrabPointer(display_, window_, True, ButtonPressMask, GrabModeAsync, GrabModeAsync, window_,
               invisible_cursor_, CurrentTime);
  grabbed_ = true;
}

void X11Window::hide_cursor() {
  static const char empty[1] = {0};
  const Pixmap blank = XCreateBitmapFromData(display_, window_, empty, 1, 1);
  XColor black{};
  invisible_cursor_ = XCreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
  XFreePixmap(display_, blank);
  XDefineCursor(display_, window_, invisible_cursor_);
}

X11Window::~X11Window() {
  if (display_ == nullptr) return;
  if (grabbed_) {
    XUngrabPointer(display_, CurrentTime);
    XUngrabKeyboard(display_, CurrentTime);
  }
  if (own_window_) {
    XUndefineCursor(display_, window_);  // the cursor shows again
    XDestroyWindow(display_, window_);
  } else if (window_ != 0) {
    XSelectInput(display_, window_, 0);
  }
  if (invisible_cursor_ != 0) XFreeCursor(display_, invisible_cursor_);
  XCloseDisplay(display_);
}

bool X11Window::pending() { return XPending(display_) > 0; }

int X11Window::connection() const { return ConnectionNumber(display_); }

void X11Window::wait(double seconds) {
  if (pending()) return;
  pollfd fd{ConnectionNumber(display_), POLLIN, 0};
  poll(&fd, 1, static_cast<int>(std::ceil(seconds * 1000.0)));
}

WindowEvents X11Window::take_events() {
  WindowEvents events;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    switch (event.type) {
      case ConfigureNotify:
        if (event.xconfigure.window == window_ &&
            (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
          width_ = event.xconfigure.width;
          height_ = event.xconfigure.height;
          events.resized = true;
        }
        break;
      case Expose:
        events.exposed = true;
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_) {
          events.quit = true;
          own_window_ = false;  // nothing left to destroy or deselect
          window_ = 0;
        }
        break;
      case ClientMessage:
        if (static_cast<unsigned long>(event.xclient.data.l[0]) == delete_atom_)
          events.quit = true;
        break;
      case KeyPress: {
        if (mode_ == SaverMode::fullscreen) {
          events.quit = true;
          break;
        }
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        if (mode_ == SaverMode::window && (key == XK_q || key == XK_Escape)) events.quit = true;
        break;
      }
      case ButtonPress:
        // The left and right buttons end the full-screen saver; the middle button and the
        // wheel do not.
        if (mode_ == SaverMode::fullscreen &&
            (event.xbutton.button == Button1 || event.xbutton.button == Button3))
          events.quit = true;
        break;
      default:
        break;
    }
  }
  return events;
}

}  // namespace bw::host
