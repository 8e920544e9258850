// The sector cache between a recording's cache thread (producer) and its writer (consumer): a
// bounded first-in, first-out store of fixed-size blocks, allocated once and rotated, with
// packets copied in and out.
//
// Snap and Pop block while the cache is full or empty, and give up (returning false) instead
// of waiting when the other side has closed its end or the caller's stop check answers true;
// a stop check is polled every kStopPollMs while waiting. A side closes its end when it will
// store or take no more packets, whatever the reason: a Pop still drains what was stored
// before the producer closed. Open reopens both ends (and empties the cache) for the next
// cache/writer pair.
#pragma once

#include "applet/platform/Sync.h"
#include "applet/recording/WriteRequest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace recording {

constexpr uint32_t kStopPollMs = 10;

// A misuse of the cache: a packet larger than a block or than the taker's buffer, a store
// into a full cache, a take from an empty one, or blocks of no size.
class ECacheError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

using TStopCheck = std::function<bool()>;

struct TCacheSize {
  int32_t BlockCount;
  uint32_t BlockSize;
};
// The caches of the recording methods. A DAO packet of 27 blocks of 2,368 bytes fills 63,936
// bytes of a 65,535-byte block.
constexpr TCacheSize kDaoCacheSize{128, 65535};
constexpr TCacheSize kSaoCacheSize{128, 65535};
constexpr TCacheSize kTaoCacheSize{128, 32768};

class TPacketList {
public:
  TPacketList();
  ~TPacketList();
  TPacketList(const TPacketList &) = delete;
  TPacketList &operator=(const TPacketList &) = delete;

  // Sizes, set by the creator before AllocateBlocks.
  uint32_t BlockSize() const { return blockSize_; }
  void SetBlockSize(uint32_t size) { blockSize_ = size; }
  int32_t BlockCount() const { return blockCount_; }
  void SetBlockCount(int32_t count) { blockCount_ = count; }

  // Allocates BlockCount zero-filled blocks of BlockSize bytes (replacing any earlier ones),
  // empties the cache, resets both events and opens both ends.
  void AllocateBlocks();
  // Frees the blocks and closes both ends.
  void FreeBlocks();

  // Copies a packet into the next free block; throws ECacheError when full or too long.
  void StorePacket(const TWriteRequest &packet);
  // Copies the oldest packet into packet, whose Buffer holds capacity bytes, and rotates its
  // block to the end; throws ECacheError when empty or the packet does not fit.
  void FetchPacket(TWriteRequest &packet, uint32_t capacity);

  // Producer: stores the packet, first waiting for space while the cache is full.
  bool Snap(const TWriteRequest &packet, const TStopCheck &stop = nullptr);
  // Consumer: takes the oldest packet, first waiting for one while the cache is empty.
  bool Pop(TWriteRequest &packet, uint32_t capacity, const TStopCheck &stop = nullptr);

  // Empties the cache and reopens both ends (before each cache/writer pair starts).
  void Open();
  // The producer stores no more packets: a Pop on an empty cache gives up.
  void CloseProducer();
  // The consumer takes no more packets: a Snap on a full cache gives up.
  void CloseConsumer();

  int32_t Count() const;
  int32_t PercentFull() const; // 0-100, rounded half to even
  // The fewest packets a take left in the cache while the producer still stored, since Open;
  // -1 before such a take. How close the writer came to waiting for the cache thread.
  int32_t LowestCount() const { return lowest_; }

private:
  struct TBlock {
    std::vector<uint8_t> Buffer;
    uint32_t BufferLength = 0;
    uint32_t SectorCount = 0;
    int32_t Lba = 0;
  };

  TBlock &Block(size_t index) { return blocks_[(first_ + index) % blocks_.size()]; }
  void SetCount(int32_t count); // under the list lock

  platform::TEvent dataReady_{true};
  platform::TEvent spaceFree_{true};
  std::vector<TBlock> blocks_; // rotated: block i of the list is blocks_[(first_ + i) % size]
  size_t first_ = 0;
  int32_t percentFull_ = 0;
  int32_t tail_ = -1;
  int32_t count_ = 0;
  mutable platform::TMultiReadExclusiveWriteSynchronizer countLock_;
  mutable platform::TMultiReadExclusiveWriteSynchronizer percentLock_;
  platform::TCriticalSection listLock_;
  uint32_t blockSize_ = 0;
  int32_t blockCount_ = 0;
  std::atomic<int32_t> capacity_{0}; // blocks allocated
  std::atomic<int32_t> lowest_{-1};
  std::atomic<bool> producerClosed_{true};
  std::atomic<bool> consumerClosed_{true};
};

// Nearest whole percentage of part in whole, ties to even; 0 when whole is not positive.
int32_t RoundedPercent(int32_t part, int32_t whole);

// The cache of the recording in progress, or null. The cache thread, the writer and the status
// display reach it here.
TPacketList *CurrentCache();
// Creates the recording's cache with its blocks allocated, freeing any earlier one.
TPacketList &CreateCurrentCache(const TCacheSize &size);
// Frees the recording's cache; only once the threads that use it have ended.
void FreeCurrentCache();

} // namespace recording
