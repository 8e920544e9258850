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
constexpr DWORD kFilePollMs = 10;
constexpr DWORD kClickSearchMs = 5000;
constexpr DWORD kSettleMs = 300;
constexpr char kStatusTitleSuffix[] = " - Status";
// The drag of move-window: where it grips the main window (a client point between the memo
// and the buttons, where no control lies), how far it swings and how often the mouse moves.
constexpr POINT kGrip = {167, 292};
constexpr int kSwing = 40;
constexpr DWORD kDragStepMs = 20;
constexpr DWORD kDragMs = 500;

// The arguments of one step: its texts and its time limit.
struct TArguments {
  std::vector<std::string> Texts;
  DWORD Ms = 0;
};

// A condition to wait for, and what to call it when it does not come.
struct TWait {
  std::string What;
  DWORD Ms;
  std::function<bool()> Condition;
  DWORD PollMs = kPollMs;
};

class TDriver {
public:
  ~TDriver() { CloseProcess(); }

  // Each returns true on success; on failure Error says why.
  bool Start(const TArguments &a);
  bool WaitMemo(const TArguments &a);
  bool Click(const TArguments &a);
  bool Close(const TArguments &a);
  bool Dump(const TArguments &a);
  bool Screenshot(const TArguments &a);
  bool WaitDialog(const TArguments &a);
  bool DialogText(const TArguments &a);
  bool DialogClick(const TArguments &a);
  bool WaitExit(const TArguments &a);
  bool WaitGone(const TArguments &a);
  bool StatusLog(const TArguments &a);
  bool MoveWindow(const TArguments &a);
  bool WaitFile(const TArguments &a);
  bool WaitButton(const TArguments &a);
  bool SleepFor(const TArguments &a);

  // Ends a started process that is still running.
  void TerminateStarted() {
    if (process_.hProcess != nullptr && Running())
      TerminateProcess(process_.hProcess, 1);
  }

  std::string Error;

private:
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  TProcessWindows Windows() const { return TProcessWindows(process_.dwProcessId); }
  bool NeedProcess();
  bool NeedDialog();
  // Polls the condition until it holds, the time is up or the process has ended.
  bool WaitFor(const TWait &wait);
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

bool TDriver::Start(const TArguments &a) {
  const std::string &commandLine = a.Texts[0];
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

bool TDriver::NeedDialog() {
  if (dialog_ == nullptr || !IsWindow(dialog_)) {
    Error = "no dialog (wait-dialog first)";
    return false;
  }
  return true;
}

bool TDriver::WaitFor(const TWait &wait) {
  if (!NeedProcess())
    return false;
  const DWORD start = GetTickCount();
  for (;;) {
    if (wait.Condition())
      return true;
    if (!Running()) {
      DWORD code = 0;
      GetExitCodeProcess(process_.hProcess, &code);
      Error = wait.What + ": the process ended with exit=" + std::to_string(code);
      return false;
    }
    if (GetTickCount() - start >= wait.Ms) {
      Error = wait.What + ": not within " + std::to_string(wait.Ms) + " ms";
      return false;
    }
    Sleep(wait.PollMs);
  }
}

HWND TDriver::FindMainWindow() {
  HWND window = nullptr;
  const TWait wait{"main window", kClickSearchMs,
                   [&] { return (window = Windows().Main()) != nullptr; }};
  return WaitFor(wait) ? window : nullptr;
}

bool TDriver::WaitMemo(const TArguments &a) {
  const std::string &text = a.Texts[0];
  return WaitFor({"memo text \"" + text + "\"", a.Ms, [&] {
                    const HWND main = Windows().Main();
                    if (main == nullptr)
                      return false;
                    for (HWND edit : ChildrenOfClass(main, "Edit"))
                      if (TextOf(edit).find(text) != std::string::npos)
                        return true;
                    return false;
                  }});
}

bool TDriver::Click(const TArguments &a) {
  const std::string &caption = a.Texts[0];
  HWND button = nullptr;
  if (!WaitFor({"button \"" + caption + "\"", kClickSearchMs, [&] {
                  const HWND main = Windows().Main();
                  return main != nullptr &&
                         (button = ButtonCaptioned(main, caption, false)) != nullptr;
                }}))
    return false;
  PressButton(button);
  return true;
}

bool TDriver::Close(const TArguments &) {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  Sleep(kSettleMs);
  return true;
}

// Prints each line of text (CR dropped) after prefix.
void PrintLines(const char *prefix, const std::string &text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::printf("%s%s\n", prefix, line.c_str());
    start = end + 1;
  }
}

bool TDriver::Dump(const TArguments &) {
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
  for (HWND edit : ChildrenOfClass(main, "Edit"))
    PrintLines("memo=", TextOf(edit));
  return true;
}

bool TDriver::Screenshot(const TArguments &a) {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  SetForegroundWindow(main);
  RedrawWindow(main, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
  Sleep(kSettleMs);
  if (!SaveClientArea(main, a.Texts[0])) {
    Error = "cannot save " + a.Texts[0];
    return false;
  }
  return true;
}

bool TDriver::WaitDialog(const TArguments &a) {
  const std::string &title = a.Texts[0];
  return WaitFor({"dialog \"" + title + "\"", a.Ms,
                  [&] { return (dialog_ = Windows().Titled(title)) != nullptr; }});
}

bool TDriver::DialogText(const TArguments &) {
  if (!NeedDialog())
    return false;
  for (HWND label : ChildrenOfClass(dialog_, "Static"))
    PrintLines("text=", TextOf(label));
  return true;
}

bool TDriver::DialogClick(const TArguments &a) {
  if (!NeedDialog())
    return false;
  const HWND button = ButtonCaptioned(dialog_, a.Texts[0], true);
  if (button == nullptr) {
    Error = "the dialog has no button \"" + a.Texts[0] + "\"";
    return false;
  }
  PressButton(button);
  return true;
}

bool TDriver::WaitExit(const TArguments &a) {
  if (!NeedProcess())
    return false;
  if (WaitForSingleObject(process_.hProcess, a.Ms) != WAIT_OBJECT_0) {
    Error = "the process is still running after " + std::to_string(a.Ms) + " ms";
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  std::printf("exit=%lu\n", code);
  return true;
}

bool TDriver::WaitGone(const TArguments &a) {
  if (!NeedProcess())
    return false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < a.Ms) {
    if (!Windows().TopLevel().empty()) {
      Error = "a window appeared";
      return false;
    }
    if (!Running())
      return true;
    Sleep(kPollMs / 2);
  }
  return true;
}

bool TDriver::StatusLog(const TArguments &) {
  if (!NeedProcess())
    return false;
  const HWND status = Windows().TitleEndingWith(kStatusTitleSuffix);
  if (status == nullptr) {
    Error = "no window titled \"... - Status\"";
    return false;
  }
  for (HWND edit : ChildrenOfClass(status, "Edit"))
    PrintLines("log=", TextOf(edit));
  return true;
}

// One mouse event at a screen point (absolute coordinates), with the given button flags.
void SendMouse(POINT at, DWORD buttons) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = MulDiv(at.x, 65535, width > 1 ? width - 1 : 1);
  input.mi.dy = MulDiv(at.y, 65535, height > 1 ? height - 1 : 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &input, sizeof input);
}

bool TDriver::MoveWindow(const TArguments &a) {
  const HWND main = FindMainWindow();
  if (main == nullptr)
    return false;
  int moves = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < a.Ms) {
    if (!Running()) {
      Error = "the process ended while its window was moved";
      return false;
    }
    // One drag of kDragMs: press on the background, swing right and back, release.
    SetForegroundWindow(main);
    POINT grip = kGrip;
    ClientToScreen(main, &grip);
    RECT before;
    GetWindowRect(main, &before);
    SendMouse(grip, MOUSEEVENTF_LEFTDOWN);
    const DWORD dragStart = GetTickCount();
    for (int step = 0; GetTickCount() - dragStart < kDragMs; ++step) {
      Sleep(kDragStepMs);
      const int phase = step % (2 * kSwing / 4);
      const int offset = 4 * (phase <= kSwing / 4 ? phase : 2 * kSwing / 4 - phase);
      SendMouse(POINT{grip.x + offset, grip.y + offset / 2}, 0);
      RECT now;
      GetWindowRect(main, &now);
      if (now.left != before.left || now.top != before.top) {
        ++moves;
        before = now;
      }
    }
    SendMouse(grip, MOUSEEVENTF_LEFTUP);
    Sleep(kDragStepMs);
  }
  std::printf("moves=%d\n", moves);
  if (moves == 0) {
    Error = "the window did not move";
    return false;
  }
  return true;
}

// Whether the file (opened shared, as another process appends to it) holds the text; reads only
// what was added since the last call, with an overlap of the text's length.
class TFileWatch {
public:
  TFileWatch(const std::string &path, const std::string &text) : path_(path), text_(text) {}
  bool Holds() {
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    const DWORD start = offset_ > text_.size() ? offset_ - static_cast<DWORD>(text_.size()) : 0;
    SetFilePointer(file, static_cast<LONG>(start), nullptr, FILE_BEGIN);
    std::string seen;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
      seen.append(buffer, got);
    CloseHandle(file);
    offset_ = start + static_cast<DWORD>(seen.size());
    return seen.find(text_) != std::string::npos;
  }

private:
  std::string path_, text_;
  DWORD offset_ = 0;
};

bool TDriver::WaitFile(const TArguments &a) {
  TFileWatch watch(a.Texts[0], a.Texts[1]);
  TWait wait{"text \"" + a.Texts[1] + "\" in " + a.Texts[0], a.Ms, [&] { return watch.Holds(); }};
  wait.PollMs = kFilePollMs;
  return WaitFor(wait);
}

bool TDriver::WaitButton(const TArguments &a) {
  const std::string &caption = a.Texts[0];
  return WaitFor({"button \"" + caption + "\"", a.Ms, [&] {
                    const HWND main = Windows().Main();
                    return main != nullptr && ButtonCaptioned(main, caption, false) != nullptr;
                  }});
}

bool TDriver::SleepFor(const TArguments &a) {
  Sleep(a.Ms);
  return true;
}

// One kind of step: its name, the number of texts it takes, and the default of the time limit
// that may follow them (0: it takes none).
struct TStepKind {
  const char *Name;
  size_t Texts;
  DWORD DefaultMs;
  bool (TDriver::*Run)(const TArguments &);
};

constexpr TStepKind kStepKinds[] = {
    {"start", 1, 0, &TDriver::Start},
    {"wait-memo", 1, 60000, &TDriver::WaitMemo},
    {"click", 1, 0, &TDriver::Click},
    {"close", 0, 0, &TDriver::Close},
    {"dump", 0, 0, &TDriver::Dump},
    {"screenshot", 1, 0, &TDriver::Screenshot},
    {"wait-dialog", 1, 30000, &TDriver::WaitDialog},
    {"dialog-text", 0, 0, &TDriver::DialogText},
    {"dialog-click", 1, 0, &TDriver::DialogClick},
    {"wait-exit", 0, 30000, &TDriver::WaitExit},
    {"wait-gone", 0, 3000, &TDriver::WaitGone},
    {"status-log", 0, 0, &TDriver::StatusLog},
    {"move-window", 0, 10000, &TDriver::MoveWindow},
    {"wait-file", 2, 60000, &TDriver::WaitFile},
    {"sleep", 0, 1000, &TDriver::SleepFor},
    {"wait-button", 1, 60000, &TDriver::WaitButton},
};

bool IsNumber(const std::string &text) {
  if (text.empty())
    return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

const TStepKind *FindStep(const std::string &name) {
  for (const TStepKind &kind : kStepKinds)
    if (name == kind.Name)
      return &kind;
  return nullptr;
}

// Runs the step that begins at argument i and moves i past it; "" on success, else the reason.
std::string RunStep(TDriver &driver, const std::vector<std::string> &argv, size_t &i) {
  const TStepKind *kind = FindStep(argv[i++]);
  if (kind == nullptr)
    return "unknown step";
  if (argv.size() - i < kind->Texts)
    return "missing argument";
  TArguments arguments;
  arguments.Texts.assign(argv.begin() + static_cast<std::ptrdiff_t>(i),
                         argv.begin() + static_cast<std::ptrdiff_t>(i + kind->Texts));
  i += kind->Texts;
  arguments.Ms = kind->DefaultMs;
  if (arguments.Ms != 0 && i < argv.size() && IsNumber(argv[i]))
    arguments.Ms = static_cast<DWORD>(std::strtoul(argv[i++].c_str(), nullptr, 10));
  return (driver.*kind->Run)(arguments) ? std::string() : driver.Error;
}

int Run(const std::vector<std::string> &argv) {
  if (argv.size() < 2) {
    std::fprintf(stderr, "usage: uidriver STEP [ARGUMENT...] [STEP ...] (see README.md)\n");
    return 2;
  }
  TDriver driver;
  int number = 0;
  for (size_t i = 1; i < argv.size();) {
    const std::string &name = argv[i];
    ++number;
    const std::string error = RunStep(driver, argv, i);
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

int main(int argc, char **argv) {
  return uidriver::Run(std::vector<std::string>(argv, argv + argc));
}
