#include "device/gl/gl_context.h"

#include <X11/Xlib.h>
#include <epoxy/egl.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace bw::device {

struct GlContext::Egl {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface pbuffer = EGL_NO_SURFACE;
  EGLSurface window = EGL_NO_SURFACE;
  Display* x_display = nullptr;
  bool own_x_display = false;
  bool wayland = false;  // the display belongs to a Wayland connection and is shared
  EGLint surface_type = 0;
};

namespace {

bool has_client_extension(const char* name) {
  return epoxy_has_egl_extension(EGL_NO_DISPLAY, name);
}

bool has_wayland_platform() {
  return has_client_extension("EGL_KHR_platform_wayland") ||
         has_client_extension("EGL_EXT_platform_wayland");
}

// The EGL display of a Wayland connection: the same one for every call on that connection.
EGLDisplay wayland_display(void* wl_display) {
  if (!has_wayland_platform()) return EGL_NO_DISPLAY;
  return eglGetPlatformDisplayEXT(EGL_PLATFORM_WAYLAND_KHR, wl_display, nullptr);
}

EGLDisplay open_display(const GlBackendOptions& options, Display*& x_display, bool& own,
                        std::string& error) {
  if (options.use_window && options.wl_display != nullptr) {
    const EGLDisplay display = wayland_display(options.wl_display);
    if (display == EGL_NO_DISPLAY) error = "EGL offers no Wayland platform";
    return display;
  }
  if (options.use_window) {
    x_display = static_cast<Display*>(options.x_display);
    if (x_display == nullptr) {
      x_display = XOpenDisplay(nullptr);
      if (x_display == nullptr) {
        error = "cannot open the X display";
        return EGL_NO_DISPLAY;
      }
      own = true;
    }
    if (has_client_extension("EGL_KHR_platform_x11") ||
        has_client_extension("EGL_EXT_platform_x11"))
      return eglGetPlatformDisplayEXT(EGL_PLATFORM_X11_KHR, x_display, nullptr);
    return eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(x_display));
  }
  if (has_client_extension("EGL_MESA_platform_surfaceless"))
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                    nullptr);
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

EGLContext create_core_context(EGLDisplay display, EGLConfig config) {
  const EGLint attributes[] = {
      EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  return eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
}

// Reads a hexadecimal number such as "0x10de" from a sysfs file.
bool read_hex_file(const std::string& path, std::uint32_t& value) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text)) return false;
  try {
    value = static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<GlContext> GlContext::open(const GlBackendOptions& options,
                                           std::string& error) {
  std::unique_ptr<GlContext> context(new GlContext());
  context->egl_ = std::make_unique<Egl>();
  Egl& egl = *context->egl_;
  egl.wayland = options.use_window && options.wl_display != nullptr;
  egl.display = open_display(options, egl.x_display, egl.own_x_display, error);
  if (egl.display == EGL_NO_DISPLAY) {
    if (error.empty()) error = "no EGL display";
    return nullptr;
  }
  EGLint major = 0;
  EGLint minor = 0;
  if (!eglInitialize(egl.display, &major, &minor)) {
    egl.display = EGL_NO_DISPLAY;
    error = "EGL cannot be initialised";
    return nullptr;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "EGL offers no desktop OpenGL";
    return nullptr;
  }
  const bool surfaceless = epoxy_has_egl_extension(egl.display, "EGL_KHR_surfaceless_context");
  EGLint surface_type = options.use_window ? EGL_WINDOW_BIT : 0;
  if (!surfaceless) surface_type |= EGL_PBUFFER_BIT;
  egl.surface_type = surface_type;
  const EGLint config_attributes[] = {
      EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, surface_type,
      EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(egl.display, config_attributes, &egl.config, 1, &count) || count < 1) {
    error = "no EGL configuration for OpenGL with 8-bit colour";
    return nullptr;
  }
  // A Wayland compositor blends a surface with alpha over what lies beneath, and the
  // painting's alpha means nothing on screen: take a configuration without alpha.
  if (egl.wayland) {
    EGLConfig configs[64];
    EGLint listed = 0;
    eglChooseConfig(egl.display, config_attributes, configs, 64, &listed);
    for (EGLint i = 0; i < listed; ++i) {
      EGLint alpha = 0;
      eglGetConfigAttrib(egl.display, configs[i], EGL_ALPHA_SIZE, &alpha);
      if (alpha != 0) continue;
      egl.config = configs[i];
      break;
    }
  }
  egl.context = create_core_context(egl.display, egl.config);
  if (egl.context == EGL_NO_CONTEXT) {
    error = "no OpenGL 3.3 core context";
    return nullptr;
  }
  if (!surfaceless) {
    const EGLint pbuffer_attributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    egl.pbuffer = eglCreatePbufferSurface(egl.display, egl.config, pbuffer_attributes);
    if (egl.pbuffer == EGL_NO_SURFACE) {
      error = "no EGL pbuffer";
      return nullptr;
    }
  }
  if (!eglMakeCurrent(egl.display, egl.pbuffer, egl.pbuffer, egl.context)) {
    error = "the OpenGL context cannot be made current";
    return nullptr;
  }
  return context;
}

GlContext::~GlContext() {
  if (!egl_) return;
  Egl& egl = *egl_;
  if (egl.display != EGL_NO_DISPLAY) {
    eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (egl.window != EGL_NO_SURFACE) eglDestroySurface(egl.display, egl.window);
    if (egl.pbuffer != EGL_NO_SURFACE) eglDestroySurface(egl.display, egl.pbuffer);
    if (egl.context != EGL_NO_CONTEXT) eglDestroyContext(egl.display, egl.context);
    // A headless display stays initialised for the rest of the process: terminating it
    // unloads the driver, which the next device of the same process (tools and tests
    // make several) would load again. A display on an X connection goes with it.
    if (egl.x_display != nullptr) eglTerminate(egl.display);
  }
  if (egl.own_x_display && egl.x_display != nullptr) XCloseDisplay(egl.x_display);
}

bool GlContext::match_window_visual(std::uintptr_t window) {
  Egl& egl = *egl_;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(egl.x_display, static_cast<Window>(window), &attributes))
    return false;
  const VisualID wanted = XVisualIDFromVisual(attributes.visual);
  EGLint native = 0;
  eglGetConfigAttrib(egl.display, egl.config, EGL_NATIVE_VISUAL_ID, &native);
  if (static_cast<VisualID>(native) == wanted) return true;
  // The window was made with another visual (a depth-32 root, say): take the
  // configuration of that visual and a context of its own. Nothing lives in the old
  // context yet.
  const EGLint config_attributes[] = {
      EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, egl.surface_type,
      EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLConfig configs[64];
  EGLint count = 0;
  if (!eglChooseConfig(egl.display, config_attributes, configs, 64, &count)) return true;
  for (EGLint i = 0; i < count; ++i) {
    eglGetConfigAttrib(egl.display, configs[i], EGL_NATIVE_VISUAL_ID, &native);
    if (static_cast<VisualID>(native) != wanted) continue;
    const EGLContext context = create_core_context(egl.display, configs[i]);
    if (context == EGL_NO_CONTEXT) return true;
    eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl.display, egl.context);
    if (egl.pbuffer != EGL_NO_SURFACE) eglDestroySurface(egl.display, egl.pbuffer);
    egl.pbuffer = EGL_NO_SURFACE;
    egl.context = context;
    egl.config = configs[i];
    return true;
  }
  return true;  // none matches: try the first configuration anyway
}

bool GlContext::attach_window(std::uintptr_t window) {
  Egl& egl = *egl_;
  if (egl.wayland) {
    egl.window = eglCreatePlatformWindowSurfaceEXT(egl.display, egl.config,
                                                   reinterpret_cast<void*>(window), nullptr);
  } else {
    if (egl.x_display == nullptr) return false;
    match_window_visual(window);
    egl.window = eglCreateWindowSurface(egl.display, egl.config,
                                        static_cast<EGLNativeWindowType>(window), nullptr);
  }
  if (egl.window == EGL_NO_SURFACE) return false;
  if (!eglMakeCurrent(egl.display, egl.window, egl.window, egl.context)) {
    eglDestroySurface(egl.display, egl.window);
    egl.window = EGL_NO_SURFACE;
    return false;
  }
  // On Wayland the host draws only when the compositor's frame callback asks, for every
  // output on its own: a swap that waited for a frame of its own would stall the others.
  eglSwapInterval(egl.display, egl.wayland ? 0 : 1);
  return true;
}

bool GlContext::has_window() const { return egl_->window != EGL_NO_SURFACE; }

void GlContext::window_size(int& width, int& height) const {
  width = 0;
  height = 0;
  if (!has_window()) return;
  EGLint w = 0;
  EGLint h = 0;
  eglQuerySurface(egl_->display, egl_->window, EGL_WIDTH, &w);
  eglQuerySurface(egl_->display, egl_->window, EGL_HEIGHT, &h);
  width = w;
  height = h;
}

void GlContext::make_current() {
  const Egl& egl = *egl_;
  const EGLSurface surface = egl.window != EGL_NO_SURFACE ? egl.window : egl.pbuffer;
  eglMakeCurrent(egl.display, surface, surface, egl.context);
}

void GlContext::swap() {
  if (has_window()) eglSwapBuffers(egl_->display, egl_->window);
}

AdapterIdentity GlContext::adapter_identity() const {
  AdapterIdentity identity;
  if (!has_client_extension("EGL_EXT_device_query")) return identity;
  EGLAttrib device = 0;
  if (!eglQueryDisplayAttribEXT(egl_->display, EGL_DEVICE_EXT, &device) || device == 0)
    return identity;
  const auto egl_device = reinterpret_cast<EGLDeviceEXT>(device);
  const char* file = eglQueryDeviceStringEXT(egl_device, EGL_DRM_DEVICE_FILE_EXT);
  if (file == nullptr) {
    eglGetError();  // a software device has no DRM file: not an error for us
    return identity;
  }
  // "/dev/dri/card0" -> "/sys/class/drm/card0/device/{vendor,device}"
  std::string node(file);
  const std::size_t slash = node.rfind('/');
  const std::string name = slash == std::string::npos ? node : node.substr(slash + 1);
  const std::string base = "/sys/class/drm/" + name + "/device/";
  std::uint32_t vendor = 0;
  std::uint32_t device_id = 0;
  if (read_hex_file(base + "vendor", vendor) && read_hex_file(base + "device", device_id)) {
    identity.has_pci_ids = true;
    identity.vendor_id = vendor;
    identity.device_id = device_id;
  }
  return identity;
}

bool open_wayland_egl(void* wl_display, std::string& error) {
  const EGLDisplay display = wayland_display(wl_display);
  if (display == EGL_NO_DISPLAY) {
    error = "EGL offers no Wayland platform";
    return false;
  }
  EGLint major = 0;
  EGLint minor = 0;
  if (!eglInitialize(display, &major, &minor)) {
    error = "EGL cannot be initialised on Wayland";
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = "EGL offers no desktop OpenGL on Wayland";
    return false;
  }
  return true;
}

void close_wayland_egl(void* wl_display) {
  const EGLDisplay display = wayland_display(wl_display);
  if (display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglTerminate(display);
}

}  // namespace bw::device
