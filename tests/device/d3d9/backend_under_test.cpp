// The pixel tests of this program run on the Direct3D 9 backend, headless.
#include <windows.h>

#include "device/d3d9/d3d9_backend.h"
#include "drawing_device.h"

namespace bw::device {

std::unique_ptr<Backend> make_backend_under_test() { return make_d3d9_backend(); }

std::string backend_error(Backend& backend) {
  return static_cast<D3d9Backend&>(backend).last_error();
}

bool backend_is_wine() {
  // Wine's own ntdll exports its version; Windows' does not.
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace bw::device
