// Completion events as platform::TEvent objects with manual reset.
#include "applet/device/CompletionEvent.h"

#include "applet/platform/Sync.h"

#include <new>

namespace device {

namespace {
platform::TEvent *AsEvent(void *event) { return static_cast<platform::TEvent *>(event); }
} // namespace

void *CreateCompletionEvent() { return new (std::nothrow) platform::TEvent(true, false); }

void CloseCompletionEvent(void *event) { delete AsEvent(event); }

void ResetCompletionEvent(void *event) { AsEvent(event)->ResetEvent(); }

void WaitCompletionEvent(void *event) { AsEvent(event)->WaitFor(platform::kInfinite); }

void SetCompletionEvent(void *event) { AsEvent(event)->SetEvent(); }

} // namespace device
