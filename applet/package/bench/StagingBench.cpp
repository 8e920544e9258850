// Ordinary staging through the package module: the program file named on the command line
// stands as the running applet, and its package is staged into its folder with a space check
// that passes. Prints the seconds it took.
//   staging_bench PROGRAM
#include "applet/common/CommonUtils.h"
#include "applet/package/UnitCompress.h"
#include "applet/platform/PlatformProxy.h"

#include <chrono>
#include <cstdio>

namespace {

class TProgramAt final : public platform::TPlatformProxy {
public:
  explicit TProgramAt(std::string program) : program_(std::move(program)) {}
  std::string ModuleFileName() override { return program_; }

private:
  std::string program_;
};

class TPassingHost final : public package::TStagingHost {
public:
  bool CheckPackageSpace() override { return true; }
  void WaitForTermination() override {}
};

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: staging_bench PROGRAM\n");
    return 2;
  }
  TProgramAt platform(argv[1]);
  platform::TPlatformOverride override(platform);
  common::SetCommandLineArguments({argv[1]});
  TPassingHost host;
  const auto start = std::chrono::steady_clock::now();
  package::TCompressDataModule module;
  const bool ended = module.DispatchPackageMode(&host);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.3f\n", took.count());
  return ended ? 1 : 0;
}
