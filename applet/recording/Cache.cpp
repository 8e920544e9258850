#include "applet/recording/Cache.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace recording {

namespace {
constexpr int32_t kFull = 100;

std::unique_ptr<TPacketList> &CacheOwner() {
  static std::unique_ptr<TPacketList> owner;
  return owner;
}
std::atomic<TPacketList *> &CachePointer() {
  static std::atomic<TPacketList *> pointer{nullptr};
  return pointer;
}
} // namespace

int32_t RoundedPercent(int32_t part, int32_t whole) {
  if (whole <= 0)
    return 0;
  const std::lldiv_t d = std::lldiv(static_cast<long long>(part) * kFull, whole);
  const long long twiceRest = 2 * d.rem;
  const bool up = twiceRest > whole || (twiceRest == whole && (d.quot & 1));
  return static_cast<int32_t>(d.quot + (up ? 1 : 0));
}

TPacketList::TPacketList() = default;

TPacketList::~TPacketList() { FreeBlocks(); }

void TPacketList::AllocateBlocks() {
  if (blockCount_ <= 0 || blockSize_ == 0)
    throw ECacheError("Cache blocks need a positive size and count");
  {
    std::lock_guard<platform::TCriticalSection> lock(listLock_);
    blocks_.clear();
    blocks_.resize(static_cast<size_t>(blockCount_));
    for (TBlock &block : blocks_)
      block.Buffer.assign(blockSize_, 0);
    capacity_ = blockCount_;
    first_ = 0;
    tail_ = -1;
    SetCount(0);
  }
  Open();
}

void TPacketList::FreeBlocks() {
  {
    std::lock_guard<platform::TCriticalSection> lock(listLock_);
    blocks_.clear();
    capacity_ = 0;
    first_ = 0;
    tail_ = -1;
    SetCount(0);
  }
  CloseProducer();
  CloseConsumer();
}

void TPacketList::SetCount(int32_t count) {
  {
    std::unique_lock<platform::TMultiReadExclusiveWriteSynchronizer> lock(countLock_);
    count_ = count;
  }
  std::unique_lock<platform::TMultiReadExclusiveWriteSynchronizer> lock(percentLock_);
  percentFull_ = RoundedPercent(count, capacity_);
}

void TPacketList::StorePacket(const TWriteRequest &packet) {
  std::lock_guard<platform::TCriticalSection> lock(listLock_);
  if (blocks_.empty())
    throw ECacheError("Cache blocks are not allocated");
  if (tail_ + 1 >= capacity_)
    throw ECacheError("Cache is full");
  TBlock &block = Block(static_cast<size_t>(tail_) + 1);
  if (packet.BufferLength > block.Buffer.size())
    throw ECacheError("Packet is larger than a cache block");
  if (packet.BufferLength > 0 && packet.Buffer == nullptr)
    throw ECacheError("Packet has no buffer");
  ++tail_;
  block.BufferLength = packet.BufferLength;
  block.SectorCount = packet.SectorCount;
  block.Lba = packet.Lba;
  if (packet.BufferLength > 0)
    std::memcpy(block.Buffer.data(), packet.Buffer, packet.BufferLength);
  SetCount(count_ + 1);
  spaceFree_.ResetEvent();
  dataReady_.SetEvent();
}

void TPacketList::FetchPacket(TWriteRequest &packet, uint32_t capacity) {
  std::lock_guard<platform::TCriticalSection> lock(listLock_);
  if (tail_ < 0)
    throw ECacheError("Cache is empty");
  TBlock &block = Block(0);
  if (block.BufferLength > capacity || (block.BufferLength > 0 && packet.Buffer == nullptr))
    throw ECacheError("Packet does not fit the taker's buffer");
  packet.BufferLength = block.BufferLength;
  packet.SectorCount = block.SectorCount;
  packet.Lba = block.Lba;
  if (block.BufferLength > 0)
    std::memcpy(packet.Buffer, block.Buffer.data(), block.BufferLength);
  first_ = (first_ + 1) % blocks_.size();
  --tail_;
  SetCount(count_ - 1);
  if (!producerClosed_ && (lowest_ < 0 || count_ < lowest_))
    lowest_ = count_;
  dataReady_.ResetEvent();
  spaceFree_.SetEvent();
}

// Both waits test the count, wait, reset the event and test again: every store or take sets
// the event after changing the count, so one that falls between the test and the reset is
// seen by the second test.
bool TPacketList::Snap(const TWriteRequest &packet, const TStopCheck &stop) {
  while (Count() >= capacity_) {
    if (consumerClosed_ || (stop && stop()))
      return false;
    spaceFree_.WaitFor(kStopPollMs);
    spaceFree_.ResetEvent();
  }
  StorePacket(packet);
  return true;
}

bool TPacketList::Pop(TWriteRequest &packet, uint32_t capacity, const TStopCheck &stop) {
  while (Count() <= 0) {
    if (producerClosed_ || (stop && stop()))
      return false;
    dataReady_.WaitFor(kStopPollMs);
    dataReady_.ResetEvent();
  }
  FetchPacket(packet, capacity);
  return true;
}

void TPacketList::Open() {
  {
    std::lock_guard<platform::TCriticalSection> lock(listLock_);
    first_ = 0;
    tail_ = -1;
    SetCount(0);
    dataReady_.ResetEvent();
    spaceFree_.ResetEvent();
  }
  lowest_ = -1;
  producerClosed_ = false;
  consumerClosed_ = false;
}

void TPacketList::CloseProducer() {
  producerClosed_ = true;
  dataReady_.SetEvent();
}

void TPacketList::CloseConsumer() {
  consumerClosed_ = true;
  spaceFree_.SetEvent();
}

int32_t TPacketList::Count() const {
  std::shared_lock<platform::TMultiReadExclusiveWriteSynchronizer> lock(countLock_);
  return count_;
}

int32_t TPacketList::PercentFull() const {
  std::shared_lock<platform::TMultiReadExclusiveWriteSynchronizer> lock(percentLock_);
  return percentFull_;
}

TPacketList *CurrentCache() { return CachePointer().load(); }

TPacketList &CreateCurrentCache(const TCacheSize &size) {
  auto cache = std::make_unique<TPacketList>();
  cache->SetBlockCount(size.BlockCount);
  cache->SetBlockSize(size.BlockSize);
  cache->AllocateBlocks();
  FreeCurrentCache();
  CachePointer().store(cache.get());
  CacheOwner() = std::move(cache);
  return *CacheOwner();
}

void FreeCurrentCache() {
  CachePointer().store(nullptr);
  CacheOwner().reset();
}

} // namespace recording
