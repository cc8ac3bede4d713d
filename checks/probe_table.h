// The fixed set of facts an install check can ask for, each with the routine that finds it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checks/check_context.h"

class ProbeState;

class ProbeTable {
 public:
  explicit ProbeTable(CheckContext& context);
  ~ProbeTable();
  ProbeTable(const ProbeTable&) = delete;
  ProbeTable& operator=(const ProbeTable&) = delete;

  // Exact, case-sensitive.
  static bool Handles(const std::wstring& name);
  static std::vector<std::wstring> Names();
  // The probe's answer; none when the probe declines or the name is not in the table.
  std::optional<std::wstring> Run(const std::wstring& name);

 private:
  std::unique_ptr<ProbeState> state_;
};
