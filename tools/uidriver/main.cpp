// uidriver: starts a program and drives its windows, one step after the other, for end-to-end
// tests. The steps and their output are described in README.md.
#include "tools/uidriver/Windows.h"

#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace uidriver {
namespace {

constexpr DWORD kPollMs = 100;
constexpr DWORD kClickSearchMs = 5000;
constexpr DWORD kSettleMs = 300;

class TDriver {
public:
  ~TDriver() { CloseProcess(); }

  // Each returns true on success; on failure Error says why.
  bool Start(const std::string &commandLine);
  bool WaitMemo(const std::string &text, DWORD ms);
  bool Click(const std::string &caption);
  bool Close();
  bool Dump();
  bool Screenshot(const std::string &file);
  bool WaitDialog(const std::string &title, DWORD ms);
  bool DialogText();
  bool DialogClick(const std::string &caption);
  bool WaitExit(DWORD ms);
  bool WaitGone(DWORD ms);

  // Ends a started process that is still running.
  void TerminateStarted() {
    if (process_.hProcess != nullptr && Running())
      TerminateProcess(process_.hProcess, 1);
  }

  std::string Error;

private:
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  bool NeedProcess();
  // Polls condition until it holds, the time is up or the process has ended.
  bool WaitFor(DWORD ms, const std::function<bool()> &condition, const std::string &what);
  HWND FindMainWindow();
  void CloseProcess() {
    if (process_.hProcess != nullptr) {
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    process_ = PROCESS_INFORMATION{};
  }

  PROCESS_INFORMATION process_{};
  HWND dialog_ = nullptr;
};

std::string ProgramFolder(const std::string &commandLine) {
  std::string program;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    program = commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    program = commandLine.substr(0, commandLine.find(' '));
  }
  const size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

bool TDriver::Start(const std::string &commandLine) {
  CloseProcess();
  dialog_ = nullptr;
  const std::string folder = ProgramFolder(commandLine);
  std::string line = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process_)) {
    Error = "cannot start (error " + std::to_string(GetLastError()) + ")";
    process_ = PROCESS_INFORMATION{};
    return false;
  }
  return true;
}

bool TDriver::NeedProcess() {
  if (process_.hProcess == nullptr) {
    Error = "no process was started";
    return false;
  }
  return true;
}

bool TDriver::WaitFor(DWORD ms, const std::function<bool()> &condition, const std::string &what) {
  if (!NeedProcess())
    return false;
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition())
      return true;
    if (!Running()) {
      DWORD code = 0;
      GetExitCodeProcess(process_.hProcess, &code);
      Error = what + ": the process ended with exit=" + std::to_string(code);
      return false;
    }
    if (GetTickCount() - start >= ms) {
      Error = what + ": not within " + std::to_string(ms) + " ms";
      return false;
    }
    Sleep(kPollMs);
  }
}

HWND TDriver::FindMainWindow() {
  HWND window = nullptr;
  if (WaitFor(
          kClickSearchMs, [&] { return (window = MainWindow(process_.dwProcessId)); },
          "main window"))
    return window;
  return nullptr;
}

bool TDriver::WaitMemo(const std::string &text, DWORD ms) {
  return WaitFor(
      ms,
      [&] {
        const HWND main = MainWindow(process_.dwProcessId);
        if (main == nullptr)
          return false;
        for (HWND edit : ChildrenOfClass(main, "Edit"))
          if (TextOf(edit).find(text) != std::string::npos)
            return true;
        return false;
      },
      "memo text \"" + text + "\"");
}

bool TDriver::Click(const std::string &caption) {
  HWND button = nullptr;
  if (!WaitFor(
          kClickSearchMs,
          [&] {
            const HWND main = MainWindow(process_.dwProcessId);
            return main != nullptr && (button = ButtonCaptioned(main, caption, false)) != nullptr;
          },
          "button \"" + caption + "\""))
    return false;
  PressButton(button);
  return true;
}

bool TDriver::Close() {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  Sleep(kSettleMs);
  return true;
}

std::string Printable(const std::string &line) {
  std::string out;
  for (char c : line)
    if (c != '\r')
      out += c;
  return out;
}

bool TDriver::Dump() {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  RECT client;
  GetClientRect(main, &client);
  const bool caption = (GetWindowLongA(main, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  std::printf("client=%ldx%ld\n", client.right, client.bottom);
  std::printf("caption=%s\n", caption ? "yes" : "no");
  for (HWND button : ChildrenOfClass(main, "Button"))
    std::printf("button=%s\n", TextOf(button).c_str());
  std::vector<HWND> gauges = ChildrenOfClass(main, "QlnGauge");
  if (gauges.empty())
    gauges = ChildrenOfClass(main, PROGRESS_CLASSA);
  for (HWND gauge : gauges) {
    DWORD_PTR position = 0;
    SendMessageTimeoutA(gauge, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kClickSearchMs, &position);
    std::printf("gauge=%ld\n", static_cast<long>(position));
  }
  for (HWND edit : ChildrenOfClass(main, "Edit")) {
    const std::string text = TextOf(edit);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos)
        end = text.size();
      std::printf("memo=%s\n", Printable(text.substr(start, end - start)).c_str());
      start = end + 1;
    }
  }
  return true;
}

bool TDriver::Screenshot(const std::string &file) {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  SetForegroundWindow(main);
  RedrawWindow(main, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
  Sleep(kSettleMs);
  if (!SaveClientArea(main, file)) {
    Error = "cannot save " + file;
    return false;
  }
  return true;
}

bool TDriver::WaitDialog(const std::string &title, DWORD ms) {
  return WaitFor(
      ms, [&] { return (dialog_ = WindowTitled(process_.dwProcessId, title)) != nullptr; },
      "dialog \"" + title + "\"");
}

bool TDriver::DialogText() {
  if (dialog_ == nullptr || !IsWindow(dialog_)) {
    Error = "no dialog (wait-dialog first)";
    return false;
  }
  for (HWND label : ChildrenOfClass(dialog_, "Static")) {
    const std::string text = TextOf(label);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos)
        end = text.size();
      std::printf("text=%s\n", Printable(text.substr(start, end - start)).c_str());
      start = end + 1;
    }
  }
  return true;
}

bool TDriver::DialogClick(const std::string &caption) {
  if (dialog_ == nullptr || !IsWindow(dialog_)) {
    Error = "no dialog (wait-dialog first)";
    return false;
  }
  const HWND button = ButtonCaptioned(dialog_, caption, true);
  if (button == nullptr) {
    Error = "the dialog has no button \"" + caption + "\"";
    return false;
  }
  PressButton(button);
  return true;
}

bool TDriver::WaitExit(DWORD ms) {
  if (!NeedProcess())
    return false;
  if (WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0) {
    Error = "the process is still running after " + std::to_string(ms) + " ms";
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  std::printf("exit=%lu\n", code);
  return true;
}

bool TDriver::WaitGone(DWORD ms) {
  if (!NeedProcess())
    return false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    if (!TopLevelWindows(process_.dwProcessId).empty()) {
      Error = "a window appeared";
      return false;
    }
    if (!Running())
      return true;
    Sleep(kPollMs / 2);
  }
  return true;
}

// One step of the command line: its name, required arguments, and whether a time in ms may
// follow them, with its default.
struct TStepKind {
  const char *Name;
  int Arguments;
  DWORD DefaultMs; // 0: the step takes no time argument
  std::function<bool(TDriver &, const std::vector<std::string> &, DWORD)> Run;
};

const std::vector<TStepKind> &StepKinds() {
  static const std::vector<TStepKind> kinds = {
      {"start", 1, 0, [](TDriver &d, const auto &a, DWORD) { return d.Start(a[0]); }},
      {"wait-memo", 1, 60000,
       [](TDriver &d, const auto &a, DWORD ms) { return d.WaitMemo(a[0], ms); }},
      {"click", 1, 0, [](TDriver &d, const auto &a, DWORD) { return d.Click(a[0]); }},
      {"close", 0, 0, [](TDriver &d, const auto &, DWORD) { return d.Close(); }},
      {"dump", 0, 0, [](TDriver &d, const auto &, DWORD) { return d.Dump(); }},
      {"screenshot", 1, 0, [](TDriver &d, const auto &a, DWORD) { return d.Screenshot(a[0]); }},
      {"wait-dialog", 1, 30000,
       [](TDriver &d, const auto &a, DWORD ms) { return d.WaitDialog(a[0], ms); }},
      {"dialog-text", 0, 0, [](TDriver &d, const auto &, DWORD) { return d.DialogText(); }},
      {"dialog-click", 1, 0, [](TDriver &d, const auto &a, DWORD) { return d.DialogClick(a[0]); }},
      {"wait-exit", 0, 30000, [](TDriver &d, const auto &, DWORD ms) { return d.WaitExit(ms); }},
      {"wait-gone", 0, 3000, [](TDriver &d, const auto &, DWORD ms) { return d.WaitGone(ms); }},
  };
  return kinds;
}

bool IsNumber(const std::string &text) {
  if (text.empty())
    return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

int Run(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: uidriver STEP [ARGUMENT...] [STEP ...] (see README.md)\n");
    return 2;
  }
  TDriver driver;
  int number = 0;
  for (int i = 1; i < argc;) {
    const std::string name = argv[i++];
    ++number;
    const TStepKind *kind = nullptr;
    for (const TStepKind &k : StepKinds())
      if (name == k.Name)
        kind = &k;
    std::string error;
    std::vector<std::string> arguments;
    DWORD ms = 0;
    if (kind == nullptr) {
      error = "unknown step";
    } else if (argc - i < kind->Arguments) {
      error = "missing argument";
    } else {
      arguments.assign(argv + i, argv + i + kind->Arguments);
      i += kind->Arguments;
      ms = kind->DefaultMs;
      if (ms != 0 && i < argc && IsNumber(argv[i]))
        ms = static_cast<DWORD>(std::strtoul(argv[i++], nullptr, 10));
      if (!kind->Run(driver, arguments, ms))
        error = driver.Error;
    }
    std::fflush(stdout);
    if (!error.empty()) {
      std::printf("uidriver: step %d (%s) failed: %s\n", number, name.c_str(), error.c_str());
      std::fflush(stdout);
      driver.TerminateStarted();
      return 1;
    }
  }
  return 0;
}

} // namespace
} // namespace uidriver

int main(int argc, char **argv) { return uidriver::Run(argc, argv); }
