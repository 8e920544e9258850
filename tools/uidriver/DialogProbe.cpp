// dialogprobe.exe: a message box for uidriver's own checks. It asks a yes/no question with a
// two-line text and exits with the answer's button code (6 yes, 7 no).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return MessageBoxA(nullptr, "First line of the probe\nSecond line of the probe", "Probe",
                     MB_YESNO | MB_ICONQUESTION);
}
