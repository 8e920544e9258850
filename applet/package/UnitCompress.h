// TCompressDataModule: the package appended to the applet's own program file. In an ordinary
// run it stages the package into the applet's folder; the package switches select the
// producer's jobs instead: build a packaged applet, expand the whole package, strip it.
#pragma once

#include "applet/package/Compress.h"
#include "applet/package/CompressErrors.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace package {

// The bare program occupies this many bytes; the package's archive starts right behind them.
constexpr int64_t kPackageOffset = 749568;
// The method the build packs with.
constexpr TMethodIndex kPackageMethod = miRLE;

// What staging asks of the main window during an ordinary run.
class TStagingHost {
public:
  virtual ~TStagingHost() = default;
  // The package-space check; it shows its own message when it fails.
  virtual bool CheckPackageSpace() = 0;
  // Processes window messages until the application has been told to terminate.
  virtual void WaitForTermination() = 0;
};

// What a build reads from the authoring listing: at most kMaxTracks track paths (an entry may
// be empty) and the library path ("" when missing).
struct TAuthoringListing {
  std::vector<std::string> Tracks;
  std::string Library;
  // Entries beyond the kMaxTracks-th, which are not packed.
  std::vector<std::string> Dropped;
};
// Reads the listing; EFOpenError when it cannot be opened.
TAuthoringListing ReadAuthoringListing(const std::string &listingPath);

// One build: the files come from the listing and from folder, which also takes the numbered
// copies while the build runs.
struct TBuildPlan {
  std::string Folder; // with a trailing backslash
  std::string ListingPath;
  std::string ProgramPath; // its first kPackageOffset bytes become the new program's start
  std::string OutputPath;
  // Delete the liner notes and the cover once they are packed (the applet's own build does).
  bool RemovePackedExtras = true;
};

struct TBuildResult {
  std::vector<std::string> Packed; // stored names, in archive order
  // Listed entries (tracks or library) that could not be packed, as the listing names them.
  std::vector<std::string> Missing;
  // Tracks beyond the kMaxTracks-th, left out.
  std::vector<std::string> Dropped;
  bool Complete() const { return Missing.empty() && Dropped.empty(); }
};

// Writes the packaged program of the plan. Raises when the listing, the program or the output
// cannot be read or written, or no track at all could be packed (ENoTracks); the output and
// the numbered copies are then removed again.
TBuildResult BuildPackagedProgram(TCompress &compress, const TBuildPlan &plan);

// Writes output: the first kPackageOffset bytes of program, then one archive of the files
// (stored relative to folder), after which files holds the stored names. Raises when the
// program is shorter than a bare applet or output cannot be written; output is then removed.
void WritePackagedProgram(TCompress &compress, const std::string &program,
                          const std::string &output, const std::string &folder,
                          std::vector<std::string> &files);

// A build whose listing yields no track that could be packed.
class ENoTracks : public Exception {
public:
  explicit ENoTracks(const std::string &listing)
      : Exception("the listing \"" + listing + "\" names no track that could be packed") {}
};

// A member whose name a package may not hold; the message says why.
class ERefusedMember : public Exception {
public:
  ERefusedMember(const std::string &name, const std::string &why)
      : Exception("member \"" + name + "\" is refused: its name " + why) {}
};

// A package that ends before its archive's total, or a member that could not be written.
class EIncompletePackage : public Exception {
public:
  EIncompletePackage() : Exception("The package is incomplete") {}
};

// The replacement batch's twelve lines (without line ends) for the running program, the
// applet's folder (with its trailing backslash), the new program file and the batch itself.
std::vector<std::string> ReplacementBatchLines(const std::string &program,
                                               const std::string &folder,
                                               const std::string &newProgram,
                                               const std::string &batch);

// Whether a member's target path names a plain file directly in folder.
bool IsPlainTarget(const std::string &folder, const std::string &target);
// Whether a name is one of the staged files: liner notes, cover, decoder library, the package
// working file and the numbered tracks 1 to kMaxTracks (compared without regard to case).
bool IsStagedName(const std::string &name);

// Expands the package of a program file into folder: every member, or the selected ones
// (replaced by the full paths written). Only plain names are expanded; a member never leaves
// the folder. With stagedOnly, members that are not staged names are skipped. False when the
// program carries no package. A whole expansion raises EIncompletePackage when the archive
// ends before its total, a member's name is not a plain file name, or a member could not be
// written; compress.ExpandedFiles() then holds the paths written. A member name that is not a
// plain file name of the folder, or too long for one, raises ERefusedMember before anything
// is written.
bool ExpandPackage(TCompress &compress, TStream &program, const std::string &folder,
                   std::vector<std::string> *selection = nullptr, bool stagedOnly = false);

class TCompressDataModule {
public:
  // Opens the running program's file (DataModuleCreate).
  TCompressDataModule();
  // Closes it (DataModuleDestroy).
  ~TCompressDataModule();
  TCompressDataModule(const TCompressDataModule &) = delete;
  TCompressDataModule &operator=(const TCompressDataModule &) = delete;

  // Runs the job of the first package switch present and returns true; with none present,
  // stages a package for a session. True also when the space check failed (after the
  // application was told to terminate), so that the session does not start its checks.
  bool DispatchPackageMode(TStagingHost *host);
  // 0, or 1 when a switch job failed or a build left out a listed file.
  int JobExitCode() const { return exitCode_; }

  bool PackageHasMember(const std::string &name);
  // Expands one member into the applet's folder; the full paths written.
  std::vector<std::string> ExpandPackageMember(const std::string &name);
  // Expands every member into the applet's folder; raises on a damaged or truncated package or
  // a member that could not be written, after which the paths written are in Expanded().
  void ExpandWholePackage();
  void BuildPackage();
  void StripPackage();
  void WriteReplacementBatch();

  const std::vector<std::string> &Expanded() const { return Compress.ExpandedFiles(); }
  // Why the ordinary staging could not write its files, as one memo line; "" when it wrote
  // them or failed for another reason (a damaged package).
  const std::string &StagingFailure() const { return stagingFailure_; }

  TCompress Compress;

private:
  bool HasPackage();
  // Positions the program stream at the package; false when there is no package.
  bool SeekPackage();
  // True when the space check failed.
  bool StagePackage(TStagingHost *host);

  void RunJob(void (TCompressDataModule::*job)());

  std::string program_;
  std::string folder_;
  std::unique_ptr<TFileStream> stream_;
  int exitCode_ = 0;
  std::string stagingFailure_;
};

// The memo line that names why a file could not be written (an errno value); "" for 0.
std::string StagingFailureText(int osError);

} // namespace package
