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

  bool ShowsStatus() const override { return showsStatus; }
  void OnStatus(const std::wstring& text) override { status_.push_back(text); }
  void OnFailure(const std::wstring& text) override { failures.push_back(text); }

 private:
  std::vector<std::wstring>& status_;
};
