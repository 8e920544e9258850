// The completion event of ASPI requests, the handle that goes into a request block's PostProc.
// On Windows it is a Win32 event handle (manual reset, unnamed) that the ASPI layer signals
// with SetEvent; elsewhere it points to a platform::TEvent with manual reset, which an ASPI
// implementation signals with its SetEvent member.
#pragma once

namespace device {

// A new non-signalled event, or nullptr when it cannot be created.
void *CreateCompletionEvent();
void CloseCompletionEvent(void *event);
void ResetCompletionEvent(void *event);
// Waits without a time limit.
void WaitCompletionEvent(void *event);
// What the ASPI layer does when a request has completed.
void SetCompletionEvent(void *event);

} // namespace device
