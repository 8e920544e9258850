// The two functions wnaspi32.dll exports: cdecl, undecorated names.
#include "tools/virtual-recorder/VirtualRecorder.h"

#include <cstdint>

extern "C" __declspec(dllexport) uint32_t __cdecl GetASPI32SupportInfo(void) {
  return vrec::GetASPI32SupportInfo();
}

extern "C" __declspec(dllexport) uint32_t __cdecl SendASPI32Command(void *srb) {
  return vrec::SendASPI32Command(srb);
}
