#include "FakeAspi.h"

#include "applet/device/BigEndian.h"
#include "applet/device/CompletionEvent.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace fakeaspi {

using namespace device;

namespace {

TFakeAspi *current = nullptr;

constexpr uint8_t kSsInvalidHa = 0x81;
constexpr uint8_t kHaSelectionTimeout = 0x11;
constexpr size_t kModeHeader = 8;

// MEDIUM NOT PRESENT, tray open or closed.
TSense NoMedium(const TFakeDrive &d) { return {2, 0x3A, static_cast<uint8_t>(d.TrayOpen ? 2 : 1)}; }

void Copy(TSrbExecScsiCmd &srb, const std::vector<uint8_t> &data, size_t allocation) {
  const size_t n = std::min({data.size(), allocation, size_t{srb.BufLen}});
  std::copy_n(data.begin(), n, srb.BufPointer);
}

std::vector<uint8_t> Padded(const std::string &text, size_t width) {
  std::vector<uint8_t> out(width, ' ');
  std::copy_n(text.begin(), std::min(text.size(), width), out.begin());
  return out;
}

void AnswerInquiry(TSrbExecScsiCmd &srb, const TFakeDrive &d) {
  std::vector<uint8_t> data(kInquiryLength, 0);
  data[0] = d.DeviceType;
  data[4] = kInquiryLength - 5;
  const auto vendor = Padded(d.Vendor, 8), product = Padded(d.Product, 16),
             revision = Padded(d.Revision, 4);
  std::copy(vendor.begin(), vendor.end(), data.begin() + 8);
  std::copy(product.begin(), product.end(), data.begin() + 16);
  std::copy(revision.begin(), revision.end(), data.begin() + 32);
  Copy(srb, data, srb.CdbByte[4]);
  TFakeAspi::Good(srb);
}

void AnswerModeSense(TSrbExecScsiCmd &srb, const TFakeDrive &d) {
  const uint8_t page = srb.CdbByte[2] & 0x3F;
  const bool defaults = (srb.CdbByte[2] & 0xC0) == 0x80;
  const std::vector<uint8_t> *body = page == 0x2A ? &d.Capabilities
                                     : page == 0x05 && !(defaults && d.DefaultWritePageFails)
                                         ? &d.WritePage
                                         : nullptr;
  if (body == nullptr || body->empty())
    return TFakeAspi::CheckCondition(srb, {5, 0x24, 0});
  std::vector<uint8_t> data(kModeHeader, 0);
  data.insert(data.end(), body->begin(), body->end());
  PutBe16(data.data(), static_cast<uint16_t>(data.size() - 2));
  Copy(srb, data, GetBe16(srb.CdbByte + 7));
  TFakeAspi::Good(srb);
}

void AnswerModeSelect(TSrbExecScsiCmd &srb, const TFakeDrive &d) {
  const uint8_t writeType =
      srb.BufLen > kModeHeader + 2 ? srb.BufPointer[kModeHeader + 2] & 0x0F : uint8_t{0};
  if (std::find(d.WriteTypes.begin(), d.WriteTypes.end(), writeType) == d.WriteTypes.end())
    return TFakeAspi::CheckCondition(srb, {5, 0x26, 0});
  TFakeAspi::Good(srb);
}

void AnswerReadToc(TSrbExecScsiCmd &srb, const TFakeDrive &d) {
  if (d.Medium == TMedium::None || d.TrayOpen)
    return TFakeAspi::CheckCondition(srb, NoMedium(d));
  if (d.Medium == TMedium::Blank)
    return TFakeAspi::CheckCondition(srb, {5, 0x24, 0});
  Copy(srb, {0x00, 0x2E, 0x01, 0x01}, GetBe16(srb.CdbByte + 7));
  TFakeAspi::Good(srb);
}

} // namespace

std::vector<uint8_t> CapabilitiesPage(const TSpeeds &maximum, uint8_t pageLength) {
  std::vector<uint8_t> page(pageLength + 2u, 0);
  page[0] = 0x2A;
  page[1] = pageLength;
  page[2] = 0x03; // reads CD-R and CD-RW
  page[3] = 0x05; // test write, writes CD-R
  page[6] = 0x29; // tray loader, can eject, can lock
  if (page.size() >= 10)
    PutBe16(&page[8], maximum.ReadKBps);
  if (page.size() >= 20)
    PutBe16(&page[18], maximum.WriteKBps);
  return page;
}

std::vector<uint8_t> WriteParametersPage(uint8_t pageLength) {
  std::vector<uint8_t> page(pageLength + 2u, 0);
  page[0] = 0x05;
  page[1] = pageLength;
  page[2] = 0x41; // buffer-underrun protection, track-at-once
  page[3] = 0x34; // fixed packets, copy, mode 4
  page[4] = 0x08;
  page[5] = 0x07; // link size
  page[7] = 0x11; // host application code
  page[10] = 0xAA;
  page[14] = 0x12;
  for (size_t i = 16; i < page.size(); ++i)
    page[i] = static_cast<uint8_t>(0xC0 + i);
  return page;
}

TFakeDrive Recorder(const TAddress &address, std::vector<uint8_t> writeTypes,
                    uint16_t maxWriteKBps) {
  TFakeDrive d;
  d.Adapter = address.Adapter;
  d.Target = address.Target;
  d.Capabilities = CapabilitiesPage({4234, maxWriteKBps});
  d.WritePage = WriteParametersPage();
  d.WriteTypes = std::move(writeTypes);
  return d;
}

TFakeAspi::TFakeAspi() {
  if (current != nullptr)
    throw std::logic_error("one fake ASPI layer at a time");
  current = this;
}

TFakeAspi::~TFakeAspi() { current = nullptr; }

device::TAspiEntryPoints TFakeAspi::EntryPoints() const {
  device::TAspiEntryPoints entry;
  entry.GetSupportInfo = &GetSupportInfoEntry;
  entry.SendCommand = &SendCommandEntry;
  return entry;
}

size_t TFakeAspi::Count(uint8_t opCode) const {
  return static_cast<size_t>(std::count_if(Seen.begin(), Seen.end(), [&](const TSeenRequest &r) {
    return !r.Cdb.empty() && r.Cdb[0] == opCode;
  }));
}

void TFakeAspi::Good(TSrbExecScsiCmd &srb) {
  srb.Status = kSsComp;
  srb.HaStat = 0;
  srb.TargStat = 0;
}

void TFakeAspi::CheckCondition(TSrbExecScsiCmd &srb, const TSense &sense) {
  srb.Status = kSsErr;
  srb.HaStat = 0;
  srb.TargStat = kStatusChkCond;
  std::memset(srb.SenseArea, 0, sizeof srb.SenseArea);
  srb.SenseArea[0] = 0x70;
  srb.SenseArea[2] = sense.Key;
  srb.SenseArea[7] = 10;
  srb.SenseArea[12] = sense.Asc;
  srb.SenseArea[13] = sense.Ascq;
}

void TFakeAspi::Busy(TSrbExecScsiCmd &srb) {
  srb.Status = kSsErr;
  srb.HaStat = 0;
  srb.TargStat = kStatusBusy;
}

uint32_t TFakeAspi::GetSupportInfoEntry() {
  ++current->SupportInfoCalls;
  return (uint32_t{kSsComp} << 8) | current->Adapters;
}

uint32_t TFakeAspi::SendCommandEntry(void *srb) { return current->Send(srb); }

uint32_t TFakeAspi::Send(void *block) {
  const uint8_t cmd = static_cast<uint8_t *>(block)[0];
  if (cmd == kScHaInquiry) {
    auto &inquiry = *static_cast<device::TSrbHaInquiry *>(block);
    HaInquiries.push_back(inquiry.HaId);
    inquiry.Status = inquiry.HaId < Adapters ? kSsComp : kSsInvalidHa;
    inquiry.HaCount = Adapters;
    return inquiry.Status;
  }
  auto &srb = *static_cast<TSrbExecScsiCmd *>(block);
  TSeenRequest seen;
  seen.Adapter = srb.HaId;
  seen.Target = srb.Target;
  seen.Flags = srb.Flags;
  seen.Lun = srb.Lun;
  seen.SenseLen = srb.SenseLen;
  seen.HasEvent = srb.PostProc != nullptr;
  seen.Cdb.assign(srb.CdbByte, srb.CdbByte + std::min<size_t>(srb.CdbLen, kCdbSize));
  seen.BufLen = srb.BufLen;
  if ((srb.Flags & kSrbDirOut) != 0 && srb.BufPointer != nullptr)
    seen.DataOut.assign(srb.BufPointer, srb.BufPointer + srb.BufLen);
  Seen.push_back(seen);
  if (!Script || !Script(srb))
    Answer(srb);
  if (!Pending || srb.PostProc == nullptr)
    return srb.Status;
  SetCompletionEvent(srb.PostProc);
  return kSsPending;
}

void TFakeAspi::Answer(TSrbExecScsiCmd &srb) {
  const auto drive = std::find_if(Drives.begin(), Drives.end(), [&](const TFakeDrive &d) {
    return d.Adapter == srb.HaId && d.Target == srb.Target;
  });
  if (srb.HaId >= Adapters) {
    srb.Status = kSsInvalidHa;
    return;
  }
  if (drive == Drives.end()) {
    srb.Status = kSsErr;
    srb.HaStat = kHaSelectionTimeout;
    return;
  }
  TFakeDrive &d = *drive;
  switch (srb.CdbByte[0]) {
  case 0x00:
    if (d.Medium == TMedium::None || d.TrayOpen)
      return CheckCondition(srb, NoMedium(d));
    return Good(srb);
  case 0x12:
    return AnswerInquiry(srb, d);
  case 0x1B:
    if (srb.CdbByte[4] == 2)
      d.TrayOpen = true;
    else if (srb.CdbByte[4] == 3)
      d.TrayOpen = false;
    return Good(srb);
  case 0x43:
    return AnswerReadToc(srb, d);
  case 0x55:
    return AnswerModeSelect(srb, d);
  case 0x5A:
    return AnswerModeSense(srb, d);
  default:
    return CheckCondition(srb, {5, 0x20, 0});
  }
}

} // namespace fakeaspi
