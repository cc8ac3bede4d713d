// The definition's install checks: each names a machine fact, whose probe stores the answer
// under that name.
#pragma once

#include <memory>

#include "checks/check_context.h"
#include "checks/probe_table.h"

class InstallChecks {
 public:
  explicit InstallChecks(CheckContext& context) : context_(context), probes_(context) {}

  // Walks every "InstallChecks" group, then every "MSIChecks" group.
  void Run();
  void ProbeProperty(const XmlNode& check);

 private:
  CheckContext& context_;
  ProbeTable probes_;
};

// Runs the checks once; the holder keeps the probes' objects for the rest of the run.
std::unique_ptr<InstallChecks> RunInstallChecks(CheckContext& context);
