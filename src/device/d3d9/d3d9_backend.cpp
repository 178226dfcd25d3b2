#include "device/d3d9/d3d9_backend.h"

#include <windows.h>
#include <d3d9.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bytecode/decode.h"
#include "device/device.h"

namespace bw::device {
namespace {

// The runtime version the saver asks Direct3DCreate9 for.
constexpr UINT kSdkVersion = 31;
using Direct3DCreate9Entry = IDirect3D9*(WINAPI*)(UINT);

// The caption of the start-up messages the user must see.
constexpr const char* kMessageCaption = "Error";

// Where the runtime message sends the user: a section of the README.txt that ships
// beside the saver.
constexpr const char* kReadmePointer =
    "the page named in README.txt (beside brushwright.scr), under \"Graphics card\".\n";

// The system's words for an error code, without the line end.
std::string system_message(DWORD code) {
  char text[256] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                        text[length - 1] == ' ' || text[length - 1] == '.'))
    --length;
  return length > 0 ? std::string(text, length) : "error " + std::to_string(code);
}

// Window class of the hidden device window of headless rendering.
constexpr const char* kHiddenWindowClass = "BrushwrightHeadlessDevice";

// The vertex layout of QuadVertex: position at offset 0, texture coordinate 0 at 8.
constexpr D3DVERTEXELEMENT9 kQuadElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 8, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};
static_assert(sizeof(QuadVertex) == 16);

// The backend's numbers are Direct3D 9's own.
static_assert(kOk == D3D_OK && kDeviceLost == D3DERR_DEVICELOST &&
              kDeviceNotReset == D3DERR_DEVICENOTRESET && kInvalidCall == D3DERR_INVALIDCALL);
static_assert(static_cast<std::uint32_t>(RenderState::alpha_blend_enable) ==
                  D3DRS_ALPHABLENDENABLE &&
              static_cast<std::uint32_t>(RenderState::cull_mode) == D3DRS_CULLMODE &&
              static_cast<std::uint32_t>(RenderState::src_blend) == D3DRS_SRCBLEND);
static_assert(static_cast<std::uint32_t>(SamplerState::mag_filter) == D3DSAMP_MAGFILTER &&
              static_cast<std::uint32_t>(SamplerState::address_w) == D3DSAMP_ADDRESSW);
static_assert(kFilterLinear == D3DTEXF_LINEAR && kAddressClamp == D3DTADDRESS_CLAMP &&
              kBlendInvSrcAlpha == D3DBLEND_INVSRCALPHA && kCullNone == D3DCULL_NONE);

// True when a token stream is whole: the runtime reads it up to its end token.
bool whole_stream(std::span<const std::uint32_t> tokens, std::string& error) {
  return !tokens.empty() && bytecode::decode(tokens, error).has_value();
}

template <typename T>
void release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

}  // namespace

D3d9Backend::D3d9Backend(D3d9BackendOptions options) : options_(std::move(options)) {}

D3d9Backend::~D3d9Backend() { release_device(); }

std::unique_ptr<D3d9Backend> make_d3d9_backend(D3d9BackendOptions options) {
  return std::make_unique<D3d9Backend>(std::move(options));
}

bool D3d9Backend::failed(const char* call, long result) {
  char text[96];
  std::snprintf(text, sizeof text, "%s: 0x%08lX", call, static_cast<unsigned long>(result));
  last_error_ = text;
  return false;
}

bool D3d9Backend::load_runtime() {
  if (d3d_ != nullptr) return true;
  if (library_ == nullptr) library_ = LoadLibraryA(options_.library.c_str());
  if (library_ == nullptr) {
    const DWORD code = GetLastError();
    missing_ = options_.library + " cannot be loaded (" + system_message(code) + ")";
    return failed("LoadLibraryA", static_cast<long>(code));
  }
  const auto create = reinterpret_cast<Direct3DCreate9Entry>(
      reinterpret_cast<void*>(GetProcAddress(library_, options_.entry.c_str())));
  if (create == nullptr) {
    missing_ = options_.library + " has no " + options_.entry + ": it is older than Direct3D 9";
    return failed("GetProcAddress", static_cast<long>(GetLastError()));
  }
  d3d_ = create(kSdkVersion);
  if (d3d_ != nullptr && options_.wrap_direct3d) d3d_ = options_.wrap_direct3d(d3d_);
  if (d3d_ == nullptr) {
    missing_ = options_.entry + " gave no Direct3D 9 object: the runtime is older than the "
               "version asked for";
    return failed("Direct3DCreate9", 0);
  }
  adapter_ = D3DADAPTER_DEFAULT;
  for (UINT adapter = 0; options_.monitor != nullptr && adapter < d3d_->GetAdapterCount();
       ++adapter)
    if (d3d_->GetAdapterMonitor(adapter) == static_cast<HMONITOR>(options_.monitor))
      adapter_ = adapter;
  return true;
}

std::string D3d9Backend::failure_reason(bool runtime_loaded) {
  if (runtime_loaded || missing_.empty()) return {};
  // The standard words, the place to look in the README shipped beside the saver, and
  // what exactly is missing.
  return std::string(kRuntimeMissingMessage) + kReadmePointer + "\nMissing: " + missing_ + ".";
}

std::string D3d9Backend::adapter_description() const {
  D3DADAPTER_IDENTIFIER9 identifier = {};
  if (d3d_ == nullptr || FAILED(d3d_->GetAdapterIdentifier(adapter_, 0, &identifier)))
    return {};
  return identifier.Description;
}

bool D3d9Backend::get_capabilities(Capabilities& caps) {
  if (d3d_ == nullptr) return false;
  D3DCAPS9 d3d_caps = {};
  const HRESULT result = d3d_->GetDeviceCaps(adapter_, D3DDEVTYPE_HAL, &d3d_caps);
  if (FAILED(result)) return failed("GetDeviceCaps", result);
  caps.textures_pow2 = (d3d_caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
  caps.textures_nonpow2_conditional =
      (d3d_caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) != 0;
  caps.pixel_shader_version = d3d_caps.PixelShaderVersion;
  caps.ps20_instruction_slots = static_cast<std::uint32_t>(d3d_caps.PS20Caps.NumInstructionSlots);
  caps.max_texture_width = d3d_caps.MaxTextureWidth;
  caps.max_texture_height = d3d_caps.MaxTextureHeight;
  return true;
}

bool D3d9Backend::get_adapter_identity(AdapterIdentity& identity) {
  if (d3d_ == nullptr) return false;
  D3DADAPTER_IDENTIFIER9 identifier = {};
  const HRESULT result = d3d_->GetAdapterIdentifier(adapter_, 0, &identifier);
  if (FAILED(result)) return failed("GetAdapterIdentifier", result);
  // Direct3D 9 always reports the two numbers; a driver without them gives zeros.
  identity.has_pci_ids = true;
  identity.vendor_id = identifier.VendorId;
  identity.device_id = identifier.DeviceId;
  return true;
}

void D3d9Backend::fill_present_parameters(const PresentParams& params, void* out) const {
  D3DPRESENT_PARAMETERS& present = *static_cast<D3DPRESENT_PARAMETERS*>(out);
  present = {};
  present.BackBufferWidth = static_cast<UINT>(params.back_buffer_width);
  present.BackBufferHeight = static_cast<UINT>(params.back_buffer_height);
  present.BackBufferFormat = D3DFMT_A8R8G8B8;
  present.BackBufferCount = 1;
  present.MultiSampleType = D3DMULTISAMPLE_NONE;
  present.MultiSampleQuality = 0;
  present.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present.hDeviceWindow = nullptr;  // the focus window
  present.Windowed = params.windowed ? TRUE : FALSE;
  present.EnableAutoDepthStencil = FALSE;
  present.FullScreen_RefreshRateInHz = params.windowed ? 0 : static_cast<UINT>(params.refresh_rate);
  present.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
}

bool D3d9Backend::create_device(std::uintptr_t window, const PresentParams& params) {
  if (d3d_ == nullptr || device_ != nullptr) return false;
  HWND focus = reinterpret_cast<HWND>(window);
  if (!options_.use_window) {
    // Headless: a window that is never shown carries the device.
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = kHiddenWindowClass;
    RegisterClassExA(&window_class);  // already registered by an earlier backend: fine
    hidden_window_ = CreateWindowExA(0, kHiddenWindowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hidden_window_ == nullptr)
      return failed("CreateWindowExA", static_cast<long>(GetLastError()));
    focus = hidden_window_;
  }
  if (focus == nullptr) return failed("CreateDevice", D3DERR_INVALIDCALL);
  D3DPRESENT_PARAMETERS present;
  fill_present_parameters(params, &present);
  const HRESULT result = d3d_->CreateDevice(adapter_, D3DDEVTYPE_HAL, focus,
                                            D3DCREATE_HARDWARE_VERTEXPROCESSING, &present,
                                            &device_);
  if (FAILED(result)) {
    device_ = nullptr;
    destroy_hidden_window();
    return failed("CreateDevice", result);
  }
  return true;
}

bool D3d9Backend::create_quad_declaration() {
  if (device_ == nullptr) return false;
  release(quad_declaration_);
  HRESULT result = device_->CreateVertexDeclaration(kQuadElements, &quad_declaration_);
  if (FAILED(result)) {
    quad_declaration_ = nullptr;
    return failed("CreateVertexDeclaration", result);
  }
  result = device_->SetVertexDeclaration(quad_declaration_);
  if (FAILED(result)) return failed("SetVertexDeclaration", result);
  return true;
}

void D3d9Backend::show_error(const char* text) {
  if (options_.report_error) {
    options_.report_error(text);
    return;
  }
  MessageBoxA(nullptr, text, kMessageCaption, MB_OK | MB_ICONERROR);
}

void D3d9Backend::destroy_hidden_window() {
  if (hidden_window_ != nullptr) DestroyWindow(hidden_window_);
  hidden_window_ = nullptr;
}

void D3d9Backend::release_device() {
  for (auto& [handle, surface] : surfaces_) release(surface);
  surfaces_.clear();
  for (auto& [handle, texture] : textures_) release(texture);
  textures_.clear();
  for (auto& [handle, program] : programs_) {
    release(program.vertex);
    release(program.pixel);
  }
  programs_.clear();
  for (TextureHandle& stage : stage_textures_) stage = 0;
  release(quad_declaration_);
  release(device_);
  release(d3d_);
  destroy_hidden_window();
  if (library_ != nullptr) FreeLibrary(library_);
  library_ = nullptr;
}

std::int32_t D3d9Backend::test_cooperative_level() {
  if (device_ == nullptr) return kInvalidCall;
  return device_->TestCooperativeLevel();
}

bool D3d9Backend::reset(const PresentParams& params) {
  if (device_ == nullptr) return false;
  // The device's own references to what it samples and draws into go before the reset,
  // with ours: a texture still bound or current as target would make the reset fail.
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) set_texture(stage, 0);
  IDirect3DSurface9* back_buffer = nullptr;
  if (SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_buffer))) {
    device_->SetRenderTarget(0, back_buffer);
    back_buffer->Release();
  }
  D3DPRESENT_PARAMETERS present;
  fill_present_parameters(params, &present);
  const HRESULT result = device_->Reset(&present);
  if (FAILED(result)) return failed("Reset", result);
  // The sampler states went back to their defaults with everything else.
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage)
    mag_filters_[stage] = min_filters_[stage] = applied_min_filters_[stage] = 0;
  // Every state went back to its default, the vertex declaration too.
  if (quad_declaration_ != nullptr) device_->SetVertexDeclaration(quad_declaration_);
  return true;
}

std::int32_t D3d9Backend::set_render_state(RenderState state, std::uint32_t value) {
  if (device_ == nullptr) return kInvalidCall;
  return device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
}

std::int32_t D3d9Backend::begin_scene() {
  return device_ != nullptr ? device_->BeginScene() : kInvalidCall;
}

std::int32_t D3d9Backend::end_scene() {
  return device_ != nullptr ? device_->EndScene() : kInvalidCall;
}

std::int32_t D3d9Backend::present() {
  if (device_ == nullptr) return kInvalidCall;
  if (!options_.use_window) return kOk;  // headless: the back buffer stays for read-back
  return device_->Present(nullptr, nullptr, nullptr, nullptr);
}

std::int32_t D3d9Backend::clear(std::uint32_t colour) {
  if (device_ == nullptr) return kInvalidCall;
  return device_->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 0.0f, 0);
}

void D3d9Backend::choose_quad_filters(const QuadVertex (&vertices)[4]) {
  // Pixels the quad covers across and down.
  const float quad_width = std::fabs(vertices[2].x - vertices[0].x) * target_width_ / 2.0f;
  const float quad_height = std::fabs(vertices[0].y - vertices[1].y) * target_height_ / 2.0f;
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage) {
    const auto texture = textures_.find(stage_textures_[stage]);
    if (stage_textures_[stage] == 0 || texture == textures_.end()) continue;
    D3DSURFACE_DESC level = {};
    if (FAILED(texture->second->GetLevelDesc(0, &level))) continue;
    const bool magnified = static_cast<float>(level.Width) <= quad_width + 0.5f &&
                           static_cast<float>(level.Height) <= quad_height + 0.5f;
    const std::uint32_t wanted = magnified ? mag_filters_[stage] : min_filters_[stage];
    if (wanted == 0 || wanted == applied_min_filters_[stage]) continue;
    device_->SetSamplerState(stage, D3DSAMP_MINFILTER, wanted);
    applied_min_filters_[stage] = wanted;
  }
}

std::int32_t D3d9Backend::draw_quad(const QuadVertex (&vertices)[4]) {
  if (device_ == nullptr) return kInvalidCall;
  choose_quad_filters(vertices);
  return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, sizeof(QuadVertex));
}

TextureHandle D3d9Backend::create_texture(int width, int height) {
  if (device_ == nullptr || width <= 0 || height <= 0) return 0;
  IDirect3DTexture9* texture = nullptr;
  const HRESULT result =
      device_->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1,
                             D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture,
                             nullptr);
  if (FAILED(result)) {
    failed("CreateTexture", result);
    return 0;
  }
  const TextureHandle handle = next_handle_++;
  textures_[handle] = texture;
  return handle;
}

SurfaceHandle D3d9Backend::keep_surface(IDirect3DSurface9* surface) {
  const SurfaceHandle handle = next_handle_++;
  surfaces_[handle] = surface;
  return handle;
}

IDirect3DSurface9* D3d9Backend::surface(SurfaceHandle handle) const {
  const auto it = surfaces_.find(handle);
  return it == surfaces_.end() ? nullptr : it->second;
}

SurfaceHandle D3d9Backend::get_surface(TextureHandle texture) {
  const auto it = textures_.find(texture);
  if (it == textures_.end()) return 0;
  IDirect3DSurface9* level = nullptr;
  const HRESULT result = it->second->GetSurfaceLevel(0, &level);
  if (FAILED(result)) {
    failed("GetSurfaceLevel", result);
    return 0;
  }
  return keep_surface(level);
}

SurfaceHandle D3d9Backend::get_back_buffer() {
  if (device_ == nullptr) return 0;
  IDirect3DSurface9* back_buffer = nullptr;
  const HRESULT result = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_buffer);
  if (FAILED(result)) {
    failed("GetBackBuffer", result);
    return 0;
  }
  return keep_surface(back_buffer);
}

SurfaceHandle D3d9Backend::get_render_target() {
  if (device_ == nullptr) return 0;
  IDirect3DSurface9* target = nullptr;
  const HRESULT result = device_->GetRenderTarget(0, &target);
  if (FAILED(result) || target == nullptr) {
    failed("GetRenderTarget", result);
    return 0;
  }
  return keep_surface(target);
}

void D3d9Backend::release_surface(SurfaceHandle handle) {
  const auto it = surfaces_.find(handle);
  if (it == surfaces_.end()) return;
  release(it->second);
  surfaces_.erase(it);
}

void D3d9Backend::release_texture(TextureHandle handle) {
  const auto it = textures_.find(handle);
  if (it == textures_.end()) return;
  // A stage must not keep the texture alive (a reset fails while it exists).
  for (std::uint32_t stage = 0; stage < kTextureStages; ++stage)
    if (stage_textures_[stage] == handle) set_texture(stage, 0);
  release(it->second);
  textures_.erase(it);
}

bool D3d9Backend::get_surface_size(SurfaceHandle handle, int& width, int& height) {
  IDirect3DSurface9* target = surface(handle);
  if (target == nullptr) return false;
  D3DSURFACE_DESC description = {};
  const HRESULT result = target->GetDesc(&description);
  if (FAILED(result)) return failed("GetDesc", result);
  width = static_cast<int>(description.Width);
  height = static_cast<int>(description.Height);
  return true;
}

bool D3d9Backend::set_render_target(SurfaceHandle handle) {
  IDirect3DSurface9* target = surface(handle);
  if (device_ == nullptr || target == nullptr) return false;
  const HRESULT result = device_->SetRenderTarget(0, target);
  if (FAILED(result)) return failed("SetRenderTarget", result);
  D3DSURFACE_DESC description = {};
  if (SUCCEEDED(target->GetDesc(&description))) {
    target_width_ = static_cast<int>(description.Width);
    target_height_ = static_cast<int>(description.Height);
  }
  return true;
}

bool D3d9Backend::update_texture(TextureHandle handle, const std::uint8_t* bgra, int width,
                                 int height) {
  const auto it = textures_.find(handle);
  if (device_ == nullptr || it == textures_.end() || bgra == nullptr || width <= 0 ||
      height <= 0)
    return false;
  // Render targets live in video memory: the pixels go through a system-memory copy.
  IDirect3DTexture9* staging = nullptr;
  HRESULT result = device_->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height),
                                          1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &staging,
                                          nullptr);
  if (FAILED(result)) return failed("CreateTexture", result);
  D3DLOCKED_RECT locked = {};
  result = staging->LockRect(0, &locked, nullptr, 0);
  const bool locked_ok = SUCCEEDED(result);
  if (locked_ok) {
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
      std::memcpy(static_cast<std::uint8_t*>(locked.pBits) +
                      static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch),
                  bgra + static_cast<std::size_t>(y) * row_bytes, row_bytes);
    staging->UnlockRect(0);
  } else {
    failed("LockRect", result);
  }
  staging->AddDirtyRect(nullptr);
  result = device_->UpdateTexture(staging, it->second);
  if (FAILED(result)) failed("UpdateTexture", result);
  staging->Release();
  return locked_ok && SUCCEEDED(result);
}

std::int32_t D3d9Backend::stretch_rect(SurfaceHandle source, SurfaceHandle destination) {
  IDirect3DSurface9* from = surface(source);
  IDirect3DSurface9* to = surface(destination);
  if (device_ == nullptr || from == nullptr || to == nullptr) return kInvalidCall;
  return device_->StretchRect(from, nullptr, to, nullptr, D3DTEXF_LINEAR);
}

ProgramHandle D3d9Backend::create_program(std::span<const std::uint32_t> vertex_tokens,
                                          std::span<const std::uint32_t> pixel_tokens) {
  if (device_ == nullptr) return 0;
  std::string error;
  if (!whole_stream(vertex_tokens, error) || !whole_stream(pixel_tokens, error)) {
    last_error_ = error.empty() ? "empty token stream" : error;
    return 0;
  }
  Program program;
  HRESULT result = device_->CreateVertexShader(
      reinterpret_cast<const DWORD*>(vertex_tokens.data()), &program.vertex);
  if (FAILED(result)) {
    failed("CreateVertexShader", result);
    return 0;
  }
  result = device_->CreatePixelShader(reinterpret_cast<const DWORD*>(pixel_tokens.data()),
                                      &program.pixel);
  if (FAILED(result)) {
    failed("CreatePixelShader", result);
    release(program.vertex);
    return 0;
  }
  const ProgramHandle handle = next_handle_++;
  programs_[handle] = program;
  return handle;
}

void D3d9Backend::release_program(ProgramHandle handle) {
  const auto it = programs_.find(handle);
  if (it == programs_.end()) return;
  release(it->second.vertex);
  release(it->second.pixel);
  programs_.erase(it);
}

void D3d9Backend::set_program(ProgramHandle handle) {
  if (device_ == nullptr) return;
  const auto it = programs_.find(handle);
  const Program program = it == programs_.end() ? Program{} : it->second;
  device_->SetVertexShader(program.vertex);
  device_->SetPixelShader(program.pixel);
}

void D3d9Backend::set_vertex_constant(std::uint32_t reg, const float (&value)[4]) {
  if (device_ != nullptr) device_->SetVertexShaderConstantF(reg, value, 1);
}

void D3d9Backend::set_pixel_constant(std::uint32_t reg, const float (&value)[4]) {
  if (device_ != nullptr) device_->SetPixelShaderConstantF(reg, value, 1);
}

void D3d9Backend::set_texture(std::uint32_t stage, TextureHandle handle) {
  if (device_ == nullptr || stage >= kTextureStages) return;
  const auto it = textures_.find(handle);
  IDirect3DTexture9* texture = it == textures_.end() ? nullptr : it->second;
  device_->SetTexture(stage, texture);
  stage_textures_[stage] = texture != nullptr ? handle : 0;
}

void D3d9Backend::set_sampler_state(std::uint32_t stage, SamplerState state,
                                    std::uint32_t value) {
  if (device_ == nullptr) return;
  device_->SetSamplerState(stage, static_cast<D3DSAMPLERSTATETYPE>(state), value);
  if (stage >= kTextureStages) return;
  if (state == SamplerState::mag_filter) mag_filters_[stage] = value;
  if (state == SamplerState::min_filter) min_filters_[stage] = applied_min_filters_[stage] = value;
}

bool D3d9Backend::read_surface(SurfaceHandle handle, std::vector<std::uint8_t>& rgba,
                               int& width, int& height) {
  IDirect3DSurface9* source = surface(handle);
  if (device_ == nullptr || source == nullptr) return false;
  D3DSURFACE_DESC description = {};
  HRESULT result = source->GetDesc(&description);
  if (FAILED(result)) return failed("GetDesc", result);
  IDirect3DSurface9* copy = nullptr;
  result = device_->CreateOffscreenPlainSurface(description.Width, description.Height,
                                                D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                                nullptr);
  if (FAILED(result)) return failed("CreateOffscreenPlainSurface", result);
  result = device_->GetRenderTargetData(source, copy);
  D3DLOCKED_RECT locked = {};
  if (SUCCEEDED(result)) result = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (FAILED(result)) {
    copy->Release();
    return failed("GetRenderTargetData", result);
  }
  width = static_cast<int>(description.Width);
  height = static_cast<int>(description.Height);
  rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  // Memory holds blue, green, red, alpha with row 0 on top; the caller wants red first.
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = static_cast<const std::uint8_t*>(locked.pBits) +
                              static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch);
    std::uint8_t* out = rgba.data() + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      out[x * 4 + 0] = row[x * 4 + 2];
      out[x * 4 + 1] = row[x * 4 + 1];
      out[x * 4 + 2] = row[x * 4 + 0];
      out[x * 4 + 3] = row[x * 4 + 3];
    }
  }
  copy->UnlockRect();
  copy->Release();
  return true;
}

}  // namespace bw::device
