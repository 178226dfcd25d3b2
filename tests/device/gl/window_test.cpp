// The GL backend on an X11 window: present shows the back buffer the right way up, at
// the window's size. Runs under Xvfb (label x11).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <memory>
#include <thread>

#include "test_support.h"
#include "../drawing_device.h"

namespace bw::device {
namespace {

struct XWindow {
  Display* display = nullptr;
  Window window = 0;

  // A window of the default visual, or with depth 32 of a 32-bit TrueColor visual.
  XWindow(int width, int height, int depth = 0) {
    // The server resets when its last client has left, the previous test's window, and
    // refuses connections for a moment meanwhile.
    for (int attempt = 0; attempt < 50 && display == nullptr; ++attempt) {
      display = XOpenDisplay(nullptr);
      if (display == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (display == nullptr) return;
    if (depth == 0) {
      window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height,
                                   0, 0, 0);
    } else {
      XVisualInfo info;
      if (!XMatchVisualInfo(display, DefaultScreen(display), depth, TrueColor, &info)) return;
      XSetWindowAttributes attributes{};
      attributes.colormap =
          XCreateColormap(display, DefaultRootWindow(display), info.visual, AllocNone);
      window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0,
                             depth, InputOutput, info.visual,
                             CWColormap | CWBorderPixel | CWBackPixel, &attributes);
    }
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do XNextEvent(display, &event);
    while (event.type != MapNotify);
  }
  ~XWindow() {
    if (display == nullptr) return;
    if (window != 0) XDestroyWindow(display, window);
    XCloseDisplay(display);
  }
  // Red, green, blue of a window pixel.
  void rgb(int x, int y, int out[3]) const {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    const auto channel = [pixel](unsigned long mask) {
      int shift = 0;
      while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
      return static_cast<int>((pixel >> shift) & mask);
    };
    out[0] = channel(image->red_mask);
    out[1] = channel(image->green_mask);
    out[2] = channel(image->blue_mask);
    XDestroyImage(image);
  }
};

// A shader of the window's device with `tables` whose pixel program runs `body`; null
// when it does not load.
Shader* hand_shader(Device& device, GlBackend& gl, const std::string& body,
                    bytecode::BsfImage tables) {
  gl.set_translator([body](auto, auto, std::string&) {
    return std::optional(gltest::hand_program(gltest::fragment(body)));
  });
  tables.vs.code = {0xFFFE0300u, 0x0000FFFFu};
  tables.ps.code = {0xFFFF0300u, 0x0000FFFFu};
  std::string error;
  const auto bytes = bytecode::write_bsf(tables, error);
  Shader* shader = device.create_shader();
  if (!bytes || !shader->load(bytes->data(), bytes->size())) return nullptr;
  return shader;
}

void present_half_red_half_blue(int depth) {
  XWindow x(32, 16, depth);
  ASSERT_NE(x.display, nullptr) << "no X display";
  ASSERT_NE(x.window, 0u) << "no visual of depth " << depth;
  auto backend = make_gl_backend(GlBackendOptions{x.display, true});
  GlBackend* gl = backend.get();
  Device device(std::move(backend));
  ASSERT_EQ(device.create(x.window, 32, 16, 60, false), CreateStatus::created) << gl->last_error();

  // Upper half red, lower half blue, drawn into the back buffer and presented.
  std::vector<std::uint8_t> pixels(32 * 16 * 4);
  for (int y = 0; y < 16; ++y)
    for (int i = 0; i < 32; ++i) {
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * 32 + i) * 4];
      p[0] = y < 8 ? 255 : 0;
      p[2] = y < 8 ? 0 : 255;
      p[3] = 255;
    }
  Texture* image = device.create_texture();
  ASSERT_TRUE(image->upload(pixels.data(), 32, 16, 0, 1));
  bytecode::BsfImage tables;
  tables.ps.samplers = {{"texSampler0", 0}};
  Shader* copy =
      hand_shader(device, *gl, "bw_out0 = texture(ps_s0, bw_texcoord0.xy);", tables);
  ASSERT_NE(copy, nullptr) << gl->last_error();
  copy->set_texture(0, image);

  device.begin_frame();
  device.clear(0, 0, 0);
  device.set_shader(copy);
  device.draw_quad(0, 0, 1, 1);
  device.end_frame();
  device.present();
  gl->finish();
  XSync(x.display, False);

  int top[3], bottom[3];
  x.rgb(5, 1, top);
  x.rgb(5, 14, bottom);
  EXPECT_GT(top[0], 0);
  EXPECT_EQ(top[2], 0);
  EXPECT_EQ(bottom[0], 0);
  EXPECT_GT(bottom[2], 0);
}

TEST(GlWindow, PresentShowsTheTopRowAtTheTop) { present_half_red_half_blue(0); }

// A draw that covers the whole back buffer reaches the window straight at present, without
// the copy: the window must show exactly what the back buffer holds, which is read after
// the present (the draw is then carried out there), for smooth and point sampling.
TEST(GlWindow, TheWindowShowsExactlyWhatTheBackBufferHolds) {
  constexpr int kWidth = 61, kHeight = 37;
  XWindow x(kWidth, kHeight);
  ASSERT_NE(x.display, nullptr) << "no X display";
  for (const int filter : {kFilterModePoint, kFilterModeSmooth}) {
    auto backend = make_gl_backend(GlBackendOptions{x.display, true});
    GlBackend* gl = backend.get();
    Device device(std::move(backend));
    ASSERT_EQ(device.create(x.window, kWidth, kHeight, 60, false), CreateStatus::created) << gl->last_error();
    // Two patterns of other sizes, so that sampling really filters.
    Texture* first = device.create_texture();
    Texture* second = device.create_texture();
    ASSERT_TRUE(first->upload(drawing::pattern(40, 30, 3).data(), 40, 30, filter, 1));
    ASSERT_TRUE(second->upload(drawing::pattern(kWidth, kHeight, 9).data(), kWidth, kHeight,
                               filter, 1));
    bytecode::BsfImage tables;
    tables.ps.constants = {{"alpha", 0, 0}};
    tables.ps.samplers = {{"texSampler0", 0}, {"texSampler1", 1}};
    Shader* fade = hand_shader(device, *gl,
                               "bw_out0 = mix(texture(ps_s0, bw_texcoord0.xy), "
                               "texture(ps_s1, bw_texcoord0.xy), ps_c[0].x);",
                               tables);
    ASSERT_NE(fade, nullptr) << gl->last_error();
    fade->set_texture(0, first);
    fade->set_texture(1, second);
    const float alpha[4] = {0.37f, 0, 0, 0};
    fade->set_param("alpha", alpha);

    device.begin_frame();
    device.set_shader(fade);
    device.draw_quad(0, 0, 1, 1);
    device.end_frame();
    device.present();
    gl->finish();
    XSync(x.display, False);

    std::vector<std::uint8_t> back;
    int width = 0, height = 0;
    ASSERT_TRUE(device.read_back_buffer(back, width, height));
    ASSERT_EQ(back.size(), static_cast<std::size_t>(kWidth) * kHeight * 4);
    int differing = 0;
    for (int py = 0; py < kHeight; ++py)
      for (int px = 0; px < kWidth; ++px) {
        int shown[3];
        x.rgb(px, py, shown);
        const std::uint8_t* held = &back[(static_cast<std::size_t>(py) * kWidth + px) * 4];
        if (shown[0] != held[0] || shown[1] != held[1] || shown[2] != held[2]) ++differing;
      }
    EXPECT_EQ(differing, 0) << "filter " << filter;
  }
}

// A window whose visual is not the first configuration's (32-bit, as on composited
// desktops) still gets a surface.
TEST(GlWindow, WindowOfAnotherVisualGetsASurface) { present_half_red_half_blue(32); }

}  // namespace
}  // namespace bw::device
