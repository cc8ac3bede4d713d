// The machine against the definition's minimum requirements: the first requirement with
// failed items stops the run.
#pragma once

#include <string>
#include <vector>

#include "checks/check_context.h"
#include "definition/xml_document.h"

class MinimumRequirements {
 public:
  explicit MinimumRequirements(CheckContext& context) : context_(context) {}

  // True to go on; false after the failure was shown (or, silent, only logged).
  bool CheckMinimumRequirements();

  // The "Error" texts of the failed items of the requirement that stopped the run.
  const std::vector<std::wstring>& Failures() const { return failures_; }

 private:
  void PublishBypass();
  // False when the requirement applies and some of its items fail.
  bool RequirementMet(const XmlNode& requirement);
  void ShowFailure(const XmlNode& requirement);

  CheckContext& context_;
  std::vector<std::wstring> failures_;
};
