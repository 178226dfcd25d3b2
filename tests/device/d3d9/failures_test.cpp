// Device::create on the Direct3D 9 backend when the runtime is missing, the card is
// refused or a creation call fails: the status, the message (or none), and nothing
// created. The runtime's own object is wrapped by a stand-in that changes one answer.
#include <windows.h>
#include <d3d9.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"
#include "device/d3d9/d3d9_backend.h"
#include "device/device.h"
#include "device/shader.h"

namespace bw::device {
namespace {

// Forwards every call to the real Direct3D object except the answers a test changes.
class StandInDirect3D : public IDirect3D9 {
 public:
  explicit StandInDirect3D(IDirect3D9* real) : real_(real) {}

  std::function<void(D3DCAPS9&)> change_caps;                   // edits the real caps
  std::function<void(D3DADAPTER_IDENTIFIER9&)> change_identity; // edits the real identity
  HRESULT caps_result = D3D_OK;                                 // GetDeviceCaps fails
  HRESULT identity_result = D3D_OK;                             // GetAdapterIdentifier fails
  HRESULT create_result = D3D_OK;                               // CreateDevice fails
  int create_calls = 0;

  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
    return real_->QueryInterface(iid, out);
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    const ULONG left = --references_;
    // The test owns this object; the real one goes with the backend's last reference,
    // before the runtime's library is unloaded.
    if (left == 0) real_->Release();
    return left;
  }
  HRESULT WINAPI RegisterSoftwareDevice(void* entry) override {
    return real_->RegisterSoftwareDevice(entry);
  }
  UINT WINAPI GetAdapterCount() override { return real_->GetAdapterCount(); }
  HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD flags,
                                      D3DADAPTER_IDENTIFIER9* identifier) override {
    if (FAILED(identity_result)) return identity_result;
    const HRESULT result = real_->GetAdapterIdentifier(adapter, flags, identifier);
    if (SUCCEEDED(result) && change_identity) change_identity(*identifier);
    return result;
  }
  UINT WINAPI GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
    return real_->GetAdapterModeCount(adapter, format);
  }
  HRESULT WINAPI EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                  D3DDISPLAYMODE* out) override {
    return real_->EnumAdapterModes(adapter, format, mode, out);
  }
  HRESULT WINAPI GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    return real_->GetAdapterDisplayMode(adapter, mode);
  }
  HRESULT WINAPI CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                 D3DFORMAT back, WINBOOL windowed) override {
    return real_->CheckDeviceType(adapter, type, display, back, windowed);
  }
  HRESULT WINAPI CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format,
                                   DWORD usage, D3DRESOURCETYPE resource,
                                   D3DFORMAT format) override {
    return real_->CheckDeviceFormat(adapter, type, adapter_format, usage, resource, format);
  }
  HRESULT WINAPI CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                            WINBOOL windowed, D3DMULTISAMPLE_TYPE samples,
                                            DWORD* quality) override {
    return real_->CheckDeviceMultiSampleType(adapter, type, format, windowed, samples, quality);
  }
  HRESULT WINAPI CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format,
                                        D3DFORMAT target, D3DFORMAT depth) override {
    return real_->CheckDepthStencilMatch(adapter, type, adapter_format, target, depth);
  }
  HRESULT WINAPI CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source,
                                             D3DFORMAT target) override {
    return real_->CheckDeviceFormatConversion(adapter, type, source, target);
  }
  HRESULT WINAPI GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    if (FAILED(caps_result)) return caps_result;
    const HRESULT result = real_->GetDeviceCaps(adapter, type, caps);
    if (SUCCEEDED(result) && change_caps) change_caps(*caps);
    return result;
  }
  HMONITOR WINAPI GetAdapterMonitor(UINT adapter) override {
    return real_->GetAdapterMonitor(adapter);
  }
  HRESULT WINAPI CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                              D3DPRESENT_PARAMETERS* present,
                              IDirect3DDevice9** device) override {
    ++create_calls;
    if (FAILED(create_result)) return create_result;
    return real_->CreateDevice(adapter, type, focus, flags, present, device);
  }

 private:
  IDirect3D9* real_;
  ULONG references_ = 1;
};

// A device whose Direct3D object is the stand-in; messages are collected, not shown.
struct Rig {
  StandInDirect3D* stand_in = nullptr;
  std::vector<std::string> messages;
  D3d9Backend* backend = nullptr;
  std::unique_ptr<Device> device;
  // The stand-in object itself, kept past the backend's release of its reference.
  std::unique_ptr<StandInDirect3D> owned;

  explicit Rig(std::function<void(D3d9BackendOptions&)> adjust = {}) {
    D3d9BackendOptions options;
    options.report_error = [this](const char* text) { messages.emplace_back(text); };
    options.wrap_direct3d = [this](IDirect3D9* real) -> IDirect3D9* {
      owned = std::make_unique<StandInDirect3D>(real);
      stand_in = owned.get();
      configure(*stand_in);
      return stand_in;
    };
    if (adjust) adjust(options);
    auto made = make_d3d9_backend(std::move(options));
    backend = made.get();
    device = std::make_unique<Device>(std::move(made));
  }
  ~Rig() { device.reset(); }
  std::function<void(StandInDirect3D&)> configure = [](StandInDirect3D&) {};

  CreateStatus create() { return device->create(0, 64, 32, 60, false); }
};

bool starts_with(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

TEST(D3d9Failures, MissingRuntimeShowsTheRuntimeMessage) {
  struct Case { const char* what; const char* library; const char* entry; const char* missing; };
  const Case cases[] = {
      {"no library", "brushwright_no_such_runtime.dll", "Direct3DCreate9",
       "Missing: brushwright_no_such_runtime.dll cannot be loaded ("},
      {"no entry", "d3d9.dll", "Direct3DCreate9NotHere",
       "Missing: d3d9.dll has no Direct3DCreate9NotHere"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig([&c](D3d9BackendOptions& options) {
      options.library = c.library;
      options.entry = c.entry;
    });
    EXPECT_EQ(rig.create(), CreateStatus::runtime_missing);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(starts_with(rig.messages[0], kRuntimeMissingMessage)) << rig.messages[0];
    // It names what is missing and the README section that says what to install.
    EXPECT_NE(rig.messages[0].find(c.missing), std::string::npos) << rig.messages[0];
    EXPECT_NE(rig.messages[0].find("README.txt (beside brushwright.scr), under \"Graphics card\""),
              std::string::npos) << rig.messages[0];
    EXPECT_FALSE(rig.device->created());
  }
}

TEST(D3d9Failures, HardwareCheckReadsTheRuntimesAnswers) {
  struct Case {
    const char* what;
    std::function<void(D3DCAPS9&)> caps;
    std::function<void(D3DADAPTER_IDENTIFIER9&)> identity;
    CreateStatus status;
  };
  const auto ps20 = [](UINT slots) {
    return [slots](D3DCAPS9& caps) {
      caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
      caps.PS20Caps.NumInstructionSlots = static_cast<INT>(slots);
    };
  };
  const auto card = [](DWORD vendor, DWORD device) {
    return [vendor, device](D3DADAPTER_IDENTIFIER9& id) {
      id.VendorId = vendor;
      id.DeviceId = device;
    };
  };
  const Case cases[] = {
      {"power-of-two textures only",
       [](D3DCAPS9& caps) {
         caps.TextureCaps = (caps.TextureCaps | D3DPTEXTURECAPS_POW2) &
                            ~static_cast<DWORD>(D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
       },
       {}, CreateStatus::hardware_refused},
      {"power of two unless conditional",
       [](D3DCAPS9& caps) {
         caps.TextureCaps |= D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL;
       },
       {}, CreateStatus::created},
      {"2.0 with 511 slots", ps20(511), {}, CreateStatus::hardware_refused},
      {"2.0 with 512 slots", ps20(512), {}, CreateStatus::created},
      {"listed card", {}, card(0x10DE, 0xFB), CreateStatus::hardware_refused},
      {"unlisted card of that vendor", {}, card(0x10DE, 0xFC), CreateStatus::created},
      {"listed number of another vendor", {}, card(0x1002, 0x321), CreateStatus::created},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.configure = [&c](StandInDirect3D& stand_in) {
      stand_in.change_caps = c.caps;
      stand_in.change_identity = c.identity;
    };
    ASSERT_EQ(rig.create(), c.status);
    ASSERT_NE(rig.stand_in, nullptr);
    if (c.status == CreateStatus::hardware_refused) {
      ASSERT_EQ(rig.messages.size(), 1u);
      EXPECT_TRUE(starts_with(rig.messages[0], kHardwareRefusedMessage)) << rig.messages[0];
      EXPECT_EQ(rig.stand_in->create_calls, 0) << "no device on a refused card";
    } else {
      EXPECT_TRUE(rig.messages.empty());
      EXPECT_TRUE(rig.device->created());
    }
  }
}

TEST(D3d9Failures, FailingCallsEndCreationQuietly) {
  struct Case {
    const char* what;
    std::function<void(StandInDirect3D&)> configure;
    CreateStatus status;
    bool message;
  };
  const Case cases[] = {
      {"GetDeviceCaps", [](StandInDirect3D& s) { s.caps_result = D3DERR_NOTAVAILABLE; },
       CreateStatus::create_failed, false},
      {"CreateDevice", [](StandInDirect3D& s) { s.create_result = D3DERR_NOTAVAILABLE; },
       CreateStatus::create_failed, false},
      // An adapter without an identifier cannot be checked: it is refused.
      {"GetAdapterIdentifier",
       [](StandInDirect3D& s) { s.identity_result = D3DERR_INVALIDCALL; },
       CreateStatus::hardware_refused, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.configure = c.configure;
    EXPECT_EQ(rig.create(), c.status);
    EXPECT_EQ(rig.messages.size(), c.message ? 1u : 0u);
    EXPECT_FALSE(rig.device->created());
  }
}

// The runtime judges the token streams: a pixel shader made of a vertex program is
// refused there and the effect does not load; a stream cut before its end token never
// reaches the runtime.
TEST(D3d9Failures, RefusedTokenStreamsFailTheLoad) {
  Rig rig;
  ASSERT_EQ(rig.create(), CreateStatus::created);
  std::string error;
  const auto image = bytecode::assemble_effect(
      ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n"
      ".pixel\nps_3_0\ndef c0, 1, 0, 0, 1\nmov oC0, c0\n",
      error);
  ASSERT_TRUE(image) << error;
  const auto load = [&](const bytecode::BsfImage& effect) {
    const auto bytes = bytecode::write_bsf(effect, error);
    EXPECT_TRUE(bytes) << error;
    Shader* shader = rig.device->create_shader();
    const bool loaded = bytes && shader->load(bytes->data(), bytes->size());
    shader->release();
    return loaded;
  };
  EXPECT_TRUE(load(*image)) << rig.backend->last_error();

  bytecode::BsfImage swapped = *image;
  swapped.ps.code = image->vs.code;
  EXPECT_FALSE(load(swapped));
  EXPECT_EQ(rig.backend->last_error().rfind("CreatePixelShader", 0), 0u)
      << rig.backend->last_error();

  bytecode::BsfImage cut = *image;
  cut.ps.code.pop_back();  // no end token
  EXPECT_FALSE(load(cut));
  EXPECT_EQ(rig.backend->last_error().find("CreatePixelShader"), std::string::npos);
}

TEST(D3d9Failures, VideoMemoryComesFromDirectDraw) {
  Rig rig;
  // Every adapter with Direct3D 9 has some; the figure is whole megabytes.
  const std::uint32_t megabytes = rig.device->video_memory_mb();
  EXPECT_GT(megabytes, 0u);
  EXPECT_LT(megabytes, 1u << 20);
}

}  // namespace
}  // namespace bw::device
