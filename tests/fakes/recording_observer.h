// An observer that records what the engine reports, for the tests to read.
#pragma once

#include <string>
#include <vector>

#include "engine/run_executor.h"

class RecordingObserver : public RunObserver {
 public:
  explicit RecordingObserver(std::vector<std::wstring>& status) : status_(status) {}
  bool showsStatus = true;
  std::vector<std::wstring> failures;
  int turnsBegun = 0, turnsEnded = 0;
  bool cancelConfirmed = false;

  bool ShowsStatus() const override { return showsStatus; }
  void OnStatus(const std::wstring& text) override { status_.push_back(text); }
  void OnFailure(const std::wstring& text) override { failures.push_back(text); }
  void OnPackageTurnBegins() override { ++turnsBegun; }
  void OnPackageTurnEnds() override { ++turnsEnded; }
  bool CancelConfirmed() const override { return cancelConfirmed; }

 private:
  std::vector<std::wstring>& status_;
};
