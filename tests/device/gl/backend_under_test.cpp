// The pixel tests of this program run on the OpenGL backend (Mesa llvmpipe, headless).
#include "device/gl/gl_backend.h"
#include "drawing_device.h"

namespace bw::device {

std::unique_ptr<Backend> make_backend_under_test() { return make_gl_backend(); }

std::string backend_error(Backend& backend) {
  return static_cast<GlBackend&>(backend).last_error();
}

bool backend_is_wine() { return false; }

}  // namespace bw::device
