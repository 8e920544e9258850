// Test helper: waits for a top-level window with a given title and sends it one window-menu
// command, as choosing the item would.
//   update-syscommand.exe TITLE COMMAND
// Exits 0 once the command was posted, 1 when no such window appeared within 20 seconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr DWORD kWaitMs = 20000;
constexpr DWORD kPollMs = 100;
} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: update-syscommand TITLE COMMAND\n");
    return 2;
  }
  HWND window = nullptr;
  for (DWORD waited = 0; window == nullptr && waited < kWaitMs; waited += kPollMs) {
    window = FindWindowA(nullptr, argv[1]);
    if (window == nullptr)
      Sleep(kPollMs);
  }
  if (window == nullptr) {
    std::printf("no window \"%s\"\n", argv[1]);
    return 1;
  }
  PostMessageA(window, WM_SYSCOMMAND, std::strtoul(argv[2], nullptr, 0), 0);
  return 0;
}
