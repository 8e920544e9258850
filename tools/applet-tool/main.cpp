// applet-tool: command-line access to the portable core for producers, scripts and tests.
#include "tools/applet-tool/Command.h"

#include "applet/platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace tool {

namespace {
struct TEntry {
  const char *Name;
  const char *Usage;
  TCommandFn Run;
};

std::vector<TEntry> &Table() {
  static std::vector<TEntry> table;
  return table;
}

int ListUsage() {
  std::fprintf(stderr, "usage: applet-tool COMMAND ARGS...\ncommands:\n");
  for (const TEntry &e : Table())
    std::fprintf(stderr, "  %s\n", e.Usage);
  return 2;
}
} // namespace

TCommandRegistration::TCommandRegistration(const char *name, const char *usage, TCommandFn run) {
  Table().push_back({name, usage, run});
}

int Usage(const char *usage) {
  std::fprintf(stderr, "usage: applet-tool %s\n", usage);
  return 2;
}

bool ParseNumber(const std::string &text, long long &value) {
  if (text.empty())
    return false;
  errno = 0;
  char *end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return errno == 0 && end != nullptr && *end == '\0';
}

bool SameFileAsInput(const std::string &output, const TArgs &inputs) {
  for (const std::string &input : inputs) {
    if (!input.empty() && platform::Platform().SameFile(output, input)) {
      std::fprintf(stderr, "applet-tool: %s is the same file as the input %s: nothing written\n",
                   output.c_str(), input.c_str());
      return true;
    }
  }
  return false;
}

} // namespace tool

int main(int argc, char **argv) {
#ifdef _WIN32
  // Texts carry their own CR LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (argc < 2)
    return tool::ListUsage();
  for (const tool::TEntry &e : tool::Table())
    if (std::strcmp(e.Name, argv[1]) == 0)
      return e.Run(tool::TArgs(argv + 2, argv + argc));
  return tool::ListUsage();
}
