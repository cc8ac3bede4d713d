// The result file: what a run did, for deployment tools to read instead of the log's free text.
#pragma once

#include <windows.h>

#include <string>

#include "core/run_report.h"

class SecretMask;

// The run as a whole.
struct RunSummary {
  int exitCode = 0;
  std::wstring exitName, exitText;
  std::wstring mode;  // "install", "uninstall", "repair", "upgrade", "none"
  std::wstring ui;    // "silent", "passive", "wizard"
  bool forcedSilent = false;
  bool plan = false;  // nothing was changed: the items say what a run would do
  std::wstring start, end;  // UTC, "2026-12-11T09:05:30Z"
  bool restartPending = false;
  std::wstring restartReason;
  std::wstring log;  // Setup.log
};

constexpr int kResultSchemaVersion = 1;
constexpr wchar_t kResultFileName[] = L"SetupResult.json";

// "2026-12-11T09:05:30Z"
std::wstring UtcTimestamp(const SYSTEMTIME& utc);
// The result as JSON text (UTF-8); every text passes the mask when one is given.
std::string ResultJson(const RunSummary& summary, const RunReport& report, const SecretMask* mask = nullptr);
// Writes the bytes to the path all at once: a new file beside it is renamed over it, so a reader
// never sees half a file and a link in its place is replaced, never written through. 0 or the
// system error; nothing is left behind on failure.
DWORD WriteFileAtomically(const std::wstring& path, const std::string& bytes);
