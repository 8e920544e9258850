// The process-wide recorder set behind the plain ASPI entry points.
#include "tools/virtual-recorder/VirtualRecorder.h"

#include "tools/virtual-recorder/AspiLayout.h"
#include "tools/virtual-recorder/Host.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vrec {

namespace {

const char kConfigVariable[] = "VIRTUAL_RECORDER_CONFIG";
const char kConfigFileName[] = "virtualrecorder.ini";

struct TGlobal {
  std::mutex Lock;
  // Kept while a device has a thread of its own: a DLL must not join its workers while the
  // process is being torn down (such a library stays loaded until the process ends).
  TRecorderSet *Set = nullptr;
  bool Loaded = false;
  std::string Error;
};

TGlobal *global = nullptr;

TGlobal &Global() {
  static std::once_flag once;
  std::call_once(once, [] { global = new TGlobal(); });
  return *global;
}

// Frees the set when the library is unloaded, or the process ends, before any device started
// a thread: a program that frees the library must not lose what it allocated (a set refused
// by its configuration, or one whose devices all complete at once).
struct TUnloadCleanup {
  TUnloadCleanup() = default;
  TUnloadCleanup(const TUnloadCleanup &) = delete;
  TUnloadCleanup &operator=(const TUnloadCleanup &) = delete;
  ~TUnloadCleanup() {
    // No lock: a thread that ended with the process may have held it.
    if (global == nullptr || (global->Set != nullptr && global->Set->StartedThreads()))
      return;
    delete global->Set;
    delete global;
    global = nullptr;
  }
};
TUnloadCleanup unloadCleanup;

// Loads the default configuration; the caller holds the lock.
bool LoadDefault(TGlobal &g) {
  delete g.Set;
  g.Loaded = true;
  g.Error.clear();
  std::unique_ptr<TRecorderSet> set = TRecorderSet::FromFile(DefaultConfigPath(), g.Error);
  const bool ok = set != nullptr;
  if (!ok) {
    std::fprintf(stderr, "virtual-recorder: %s\n", g.Error.c_str());
    std::string ignored;
    set = TRecorderSet::FromText("", "", ignored);
  }
  g.Set = set.release();
  return ok;
}

TRecorderSet *Current() {
  TGlobal &g = Global();
  std::lock_guard<std::mutex> lock(g.Lock);
  if (!g.Loaded)
    LoadDefault(g);
  return g.Set;
}

} // namespace

void InstallRecorderSet(std::unique_ptr<TRecorderSet> set) {
  TGlobal &g = Global();
  std::lock_guard<std::mutex> lock(g.Lock);
  delete g.Set;
  g.Set = set.release();
  g.Loaded = true;
  g.Error.clear();
}

bool LoadDefaultRecorderSet() {
  TGlobal &g = Global();
  std::lock_guard<std::mutex> lock(g.Lock);
  return LoadDefault(g);
}

std::string DefaultConfigPath() {
  const char *env = std::getenv(kConfigVariable);
  if (env != nullptr && *env != '\0')
    return env;
  return host::ModuleFolder() + kConfigFileName;
}

std::string DefaultConfigError() {
  TGlobal &g = Global();
  std::lock_guard<std::mutex> lock(g.Lock);
  return g.Error;
}

uint32_t GetASPI32SupportInfo() {
  TRecorderSet *set = Current();
  return set != nullptr ? set->GetSupportInfo() : uint32_t{SS_NO_ADAPTERS} << 8;
}

uint32_t SendASPI32Command(void *srb) {
  TRecorderSet *set = Current();
  if (set == nullptr) {
    if (srb != nullptr)
      static_cast<SRB_Header *>(srb)->SRB_Status = SS_INVALID_HA;
    return SS_INVALID_HA;
  }
  return set->SendCommand(srb);
}

} // namespace vrec
