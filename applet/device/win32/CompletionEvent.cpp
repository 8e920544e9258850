// Completion events as Win32 event handles, which any ASPI layer can signal.
#include "applet/device/CompletionEvent.h"

#include <windows.h>

namespace device {

void *CreateCompletionEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

void CloseCompletionEvent(void *event) {
  if (event != nullptr)
    CloseHandle(static_cast<HANDLE>(event));
}

void ResetCompletionEvent(void *event) { ResetEvent(static_cast<HANDLE>(event)); }

void WaitCompletionEvent(void *event) { WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); }

void SetCompletionEvent(void *event) { SetEvent(static_cast<HANDLE>(event)); }

} // namespace device
