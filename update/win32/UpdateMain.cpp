// update.exe: tells whether a newer version of a program exists and opens its update page.
#include "update/CommandLine.h"
#include "update/UpdateTexts.h"
#include "update/win32/InternetSession.h"
#include "update/win32/UpdateDialog.h"

#include <windows.h>

#include <vector>

namespace {
constexpr DWORD kFirstSettingSize = 1024;
constexpr DWORD kLastSettingSize = 64 * 1024;

// Settings read from the chosen profile file through the private-profile functions.
class TProfileSettings : public update::TSettingsSource {
public:
  explicit TProfileSettings(std::string path) : path_(std::move(path)) {}

  std::string ReadSetting(const std::string &key) override {
    for (DWORD size = kFirstSettingSize;; size *= 2) {
      std::vector<char> value(size);
      const DWORD length = GetPrivateProfileStringA(update::texts::kSettingsSection, key.c_str(),
                                                    "", value.data(), size, path_.c_str());
      if (length + 1 < size || size >= kLastSettingSize)
        return std::string(value.data(), length);
    }
  }

private:
  std::string path_;
};

std::string ModulePath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const update::TSettingsChoice choice = update::ChooseSettings(
      commandLine != nullptr ? commandLine : "", update::ProgramFolder(ModulePath()));
  TProfileSettings settings(choice.Path);
  update::TInternetSession session;
  update::TShellOpener shell;
  update::TUpdateDialog dialog(instance, session, shell, settings, choice.Quiet);
  return dialog.Run();
}
