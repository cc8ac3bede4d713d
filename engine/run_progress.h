// How far a run has come, as a bar from 0 to 100: Windows Installer's progress records give the
// fraction of the package that runs now, and the package's place among all the packages the run's
// sequences reach gives the rest. The bar moves once from 0 to 100 and never goes back.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// One INSTALLMESSAGE_PROGRESS record ("1: 2 2: 4096 3: 0 4: 0 "); a field not given is 0.
struct InstallerProgressRecord {
  int kind = 0;    // field 1: 0 reset, 1 action info, 2 progress report, 3 total addition
  int value = 0;   // field 2: the total (reset), ticks per action data (action info), ticks or addition
  int third = 0;   // field 3: reset: 1 when the bar runs backward; action info: 1 when action data moves it
  int fourth = 0;  // field 4: reset: 1 while the execution script is being written
};
// Nothing when the text holds no field 1.
std::optional<InstallerProgressRecord> ParseProgressRecord(std::wstring_view text);

// The progress of the package that runs now, 0 to 1. Each reset begins a phase that takes up a part
// of what is left: writing the script a tenth of it, executing the script all of it, and a backward
// phase (the package is being rolled back) none, so the fraction never falls.
class PackageProgress {
 public:
  void Record(const InstallerProgressRecord& record);
  void ActionData();  // an ACTIONDATA message: moves the bar when the last action info said so
  double Fraction() const;

 private:
  void Move(long long ticks);

  double start_ = 0;  // the fraction when the phase began
  double span_ = 0;   // the part of the package the phase stands for
  long long total_ = 0, done_ = 0;
  bool forward_ = true;
  long long ticksPerActionData_ = 0;
  bool actionDataMoves_ = false;
};

class RunProgress {
 public:
  // How many packages the run's sequences reach in all, whether they then run or are skipped.
  void SetPackageCount(int count);
  // A package's turn in a sequence; records between the two are that package's.
  void PackageTurnBegins();
  void PackageTurnEnds();
  void InstallerRecord(std::wstring_view text);
  void InstallerActionData();
  // One of Windows Installer's messages for the running package: progress and action data move it.
  void InstallerMessage(uint32_t type, const wchar_t* message);

  // Whether there is anything to measure yet (a package's turn has come); before that the run
  // shows that it works without telling how far.
  bool Measured() const { return count_ > 0 && turnsBegun_ > 0; }
  // 0 to 100, never less than an earlier answer.
  int Position();
  // The position when it is measured and has moved since the last call: what to show anew.
  std::optional<int> Moved();

 private:
  int count_ = 0;
  int turnsBegun_ = 0;
  int turnsEnded_ = 0;
  bool inTurn_ = false;
  PackageProgress package_;
  int best_ = 0;
  int reported_ = -1;
};
