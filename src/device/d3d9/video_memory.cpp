// The amount of video memory, from DirectDraw 7: Direct3D 9 itself only reports an
// estimate of the memory still available to textures.
#include <windows.h>
#include <ddraw.h>

#include "device/d3d9/d3d9_backend.h"

namespace bw::device {
namespace {

using DirectDrawCreateExEntry = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);

// IID_IDirectDraw7, spelled out so that no GUID library is needed.
constexpr GUID kIidDirectDraw7 = {
    0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

}  // namespace

std::uint32_t D3d9Backend::video_memory_mb() {
  HMODULE library = LoadLibraryA("ddraw.dll");
  if (library == nullptr) return 0;
  const auto create = reinterpret_cast<DirectDrawCreateExEntry>(
      reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreateEx")));
  IDirectDraw7* direct_draw = nullptr;
  if (create == nullptr ||
      FAILED(create(nullptr, reinterpret_cast<void**>(&direct_draw), kIidDirectDraw7, nullptr)) ||
      direct_draw == nullptr) {
    FreeLibrary(library);
    return 0;
  }
  // Memory on the card itself, not the part of system memory the card can reach.
  DDSCAPS2 caps = {};
  caps.dwCaps = DDSCAPS_LOCALVIDMEM | DDSCAPS_VIDEOMEMORY;
  DWORD total = 0;
  DWORD free = 0;
  direct_draw->GetAvailableVidMem(&caps, &total, &free);  // on failure both stay 0
  direct_draw->Release();
  FreeLibrary(library);
  return static_cast<std::uint32_t>(total >> 20);
}

}  // namespace bw::device
