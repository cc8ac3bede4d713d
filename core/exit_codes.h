// The run's exit codes, as deployment tools read them. Append only: a value never changes, and a
// new outcome gets a new name rather than a reused number. Any other code is a package's,
// prerequisite's or platform component's own result.
#pragma once

namespace exit_code {

enum ExitCode : int {
  Success = 0,
  SuccessRestartRequired = 3010,  // done; a package asked for the computer to be restarted
  TransactionsUnavailable = 1,  // Windows Installer offers no transactions
  NotAdministrator = 5,
  DotNetRequired = 1223,        // a silent run needs the .NET Framework first
  Cancelled = 1602,             // the user cancelled, or an upgrade was refused on an old system
  Failed = 1603,                // a prerequisite failed, or a check refused a silent run
  DependencyNotMet = 50000,     // a product's dependency is not installed
  RebootRequired = 103010,      // a prerequisite needs the computer restarted
  RestartRequired = 103011,     // a prerequisite needs the setup started again
  AnotherSetupRunning = 1618,   // as Windows Installer answers for another installation in progress
  DefinitionUnreadable = 1619,  // the product definition is missing or cannot be read
  DefinitionInvalid = 1620,     // the product definition does not parse or holds no product
  // A one-file setup (bundle) that stopped before its setup ran:
  BundleDamaged = 103020,       // truncated, corrupted or tampered: its content does not match its manifest
  BundleUnsafe = 103021,        // a file would land outside its folder, or it unpacks past its size bound
  BundleUnpackFailed = 103022,  // its folder could not be made or written (disk full, no rights)
  BundleStartFailed = 103023,   // the unpacked setup.exe could not be started
  LogFolderUnsafe = 103024,     // no folder only administrators may change could be had for the log
  InvalidCommandLine = 1639,    // as Windows Installer answers: a switch lacks its argument
};

// A package's, prerequisite's or installer's own code: Windows Installer's 3010 (restart needed)
// and 1641 (the installer has started a restart) are both successes with a restart to follow.
inline bool AsksForRestart(int code) { return code == 3010 || code == 1641; }
inline bool PackageSucceeded(int code) { return code == 0 || AsksForRestart(code); }

}  // namespace exit_code
