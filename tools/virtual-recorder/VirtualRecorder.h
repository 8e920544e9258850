// The virtual recorder's in-process interface: a set of emulated devices behind the two ASPI
// entry points, made from an INI file or text (see README.md for the keys).
//
//   std::string error;
//   auto set = vrec::TRecorderSet::FromText("[device.0]\nmedium = blank\n", dir, error);
//   vrec::InstallRecorderSet(std::move(set));
//   // ... then call vrec::GetASPI32SupportInfo and vrec::SendASPI32Command exactly as a
//   // program calls the functions of wnaspi32.dll.
//
// On Windows the completion event of an SRB_EVENT_NOTIFY request is a Win32 event handle; on
// other systems it is a platform::TEvent* (applet/platform/Sync.h) unless
// TRecorderOptions::SignalEvent says otherwise.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vrec {

class TRecorder;
struct TDeviceConfig;

struct TRecorderOptions {
  std::function<uint64_t()> ClockUs;            // monotonic microseconds; default steady clock
  std::function<void(uint32_t)> SleepUs;        // default: the thread sleeps
  std::function<void(void *event)> SignalEvent; // default: the platform's event
};

class TRecorderSet {
public:
  // Reads the file now and again whenever a device's medium can change.
  static std::unique_ptr<TRecorderSet> FromFile(const std::string &path, std::string &error,
                                                TRecorderOptions options = {});
  // Relative paths in the text are taken from baseDir (ending in a separator, or empty).
  static std::unique_ptr<TRecorderSet> FromText(const std::string &text, const std::string &baseDir,
                                                std::string &error, TRecorderOptions options = {});
  ~TRecorderSet();
  TRecorderSet(const TRecorderSet &) = delete;
  TRecorderSet &operator=(const TRecorderSet &) = delete;

  // For a set made from text: the text that later re-reads see (a test swapping the disc).
  void SetConfigText(const std::string &text);

  uint32_t GetSupportInfo() const;
  uint32_t SendCommand(void *srb);

  size_t DeviceCount() const { return slots_.size(); }
  // True once a device completes requests on a thread of its own (the set must then live
  // until the process ends).
  bool StartedThreads() const { return startedThreads_; }
  // The device at adapter:target, or nullptr; inspect it only while no request is pending.
  const TRecorder *Device(uint8_t adapter, uint8_t target) const;

private:
  struct TSlot;
  TRecorderSet(TRecorderOptions options);
  bool Load(std::string &error);
  bool ReadSource(std::string &text, std::string &error) const;
  bool Reread(size_t index, TDeviceConfig &config, std::string &error) const;
  TSlot *Find(uint8_t adapter, uint8_t target) const;
  uint32_t HaInquiry(void *srb) const;
  uint32_t GetDeviceType(void *srb) const;
  uint32_t Execute(void *srb);
  void Run(TSlot &slot, void *srb);
  void Complete(void *srb, uint8_t haStatus, uint8_t targetStatus, const uint8_t *sense3);
  void Serve(TSlot &slot);

  TRecorderOptions options_;
  mutable std::mutex sourceLock_;
  bool fromFile_ = false;
  std::string path_;
  std::string text_;
  std::string baseDir_;
  uint8_t adapters_ = 0;
  std::atomic<bool> startedThreads_{false};
  std::vector<std::unique_ptr<TSlot>> slots_;
};

// The set behind the plain entry points below; replacing it destroys the previous one, so no
// request may be pending then.
void InstallRecorderSet(std::unique_ptr<TRecorderSet> set);
// VIRTUAL_RECORDER_CONFIG, else virtualrecorder.ini in the folder of this library.
std::string DefaultConfigPath();
// Installs the set of the default configuration; false when it cannot be read, and then a
// set without devices is installed (no host adapters) and DefaultConfigError says why.
bool LoadDefaultRecorderSet();
// Why the default configuration could not be loaded, or "".
std::string DefaultConfigError();

// The ASPI entry points. Without an installed set the first call loads the default
// configuration; if that fails there are no host adapters.
uint32_t GetASPI32SupportInfo();
uint32_t SendASPI32Command(void *srb);

} // namespace vrec
