// The offline layout ("setup.exe /layout <folder>"): the distribution copied into a folder, with
// the vendor's file of every link the variables list names fetched into its "Prerequisites"
// folder, where a later run from the layout takes it instead of downloading (VendorLinks).
#pragma once

#include <string>

#include "definition/read_context.h"
#include "platform/platform.h"

struct LayoutRequest {
  std::wstring distribution;       // the folder setup.exe runs from
  std::wstring folder;             // the layout folder as the command line gave it
  std::wstring variablesListPath;  // the list this run reads its links from
  std::wstring logFolder;          // the setup log's folder
};

// Lays the distribution out; the process exit code: 0, or exit_code::Failed with the reason
// logged. Nothing is written when the folder is refused (the distribution or inside it, a link,
// a file, a folder holding a link) or a file cannot be fetched; each file written is whole.
int LayOut(const ReadContext& values, platform::Platform& machine, const LayoutRequest& request);
