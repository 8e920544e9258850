// Raw data sectors as the recording engine builds them.
#include "applet/recording/RawSector.h"
#include "applet/recording/Scramble.h"
#include "tools/applet-tool/Command.h"

#include <cstdio>
#include <string>

namespace tool {
namespace {

const char kSectorUsage[] =
    "sector mode1 [--unscrambled] LBA IN OUT | sector mode2 [--unscrambled] LBA OUT | "
    "sector scramble IN OUT";
const char kUnscrambled[] = "--unscrambled";

// Addresses whose absolute time a sector header can carry: lead-in minutes 90-99 up to
// 99:59:74 of the program area.
constexpr long long kFirstLba = -45150;
constexpr long long kLastLba = 449849;

int Fail(const std::string &message) {
  std::fprintf(stderr, "applet-tool: %s\n", message.c_str());
  return 1;
}

// Reads the whole file into data, which must come out exactly data's size.
bool ReadExactly(const std::string &path, uint8_t *data, size_t size, std::string &error) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  const size_t got = std::fread(data, 1, size, f);
  const bool longer = std::fgetc(f) != EOF;
  std::fclose(f);
  if (got != size || longer) {
    error = path + " must hold exactly " + std::to_string(size) + " bytes";
    return false;
  }
  return true;
}

int WriteSector(const std::string &path, const recording::TRawSector &sector) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f)
    return Fail("cannot create " + path);
  const bool written = std::fwrite(sector.data(), 1, sector.size(), f) == sector.size();
  if (std::fclose(f) != 0 || !written)
    return Fail("cannot write " + path);
  return 0;
}

bool ParseLba(const std::string &text, int32_t &lba) {
  long long value = 0;
  if (!ParseNumber(text, value) || value < kFirstLba || value > kLastLba)
    return false;
  lba = static_cast<int32_t>(value);
  return true;
}

int Sector(const TArgs &all) {
  TArgs args;
  bool scrambled = true;
  for (const std::string &a : all) {
    if (a == kUnscrambled)
      scrambled = false;
    else
      args.push_back(a);
  }
  if (args.empty())
    return Usage(kSectorUsage);
  const std::string &kind = args[0];
  std::string error;
  int32_t lba = 0;
  if (kind == "mode1" && args.size() == 4) {
    if (!ParseLba(args[1], lba))
      return Fail("LBA must be a whole number from " + std::to_string(kFirstLba) + " to " +
                  std::to_string(kLastLba));
    if (SameFileAsInput(args[3], {args[2]}))
      return 1;
    recording::TUserData user;
    if (!ReadExactly(args[2], user.data(), user.size(), error))
      return Fail(error);
    return WriteSector(args[3],
                       recording::Mode1Sector(recording::SectorAddress(lba), user, scrambled));
  }
  if (kind == "mode2" && args.size() == 3) {
    if (!ParseLba(args[1], lba))
      return Fail("LBA must be a whole number from " + std::to_string(kFirstLba) + " to " +
                  std::to_string(kLastLba));
    return WriteSector(args[2], recording::Mode2Sector(recording::SectorAddress(lba), scrambled));
  }
  if (kind == "scramble" && args.size() == 3 && scrambled) {
    if (SameFileAsInput(args[2], {args[1]}))
      return 1;
    recording::TRawSector sector;
    if (!ReadExactly(args[1], sector.data(), sector.size(), error))
      return Fail(error);
    recording::ScrambleSector(sector.data());
    return WriteSector(args[2], sector);
  }
  return Usage(kSectorUsage);
}

const TCommandRegistration kSector("sector", kSectorUsage, Sector);

} // namespace
} // namespace tool
