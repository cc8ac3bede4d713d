#include "engine/sql_client_installer.h"

#include "core/exit_codes.h"

SqlClientInstaller::SqlClientInstaller(LogFile& log, platform::Platform& machine, const VendorLinks& links,
                                       const std::wstring& logFolder)
    : ComponentInstaller(log, machine, logFolder), detection(log, machine), links_(links) {
  localCopies = &links;
}

SqlClientFlavour SqlClientInstaller::ChooseFlavour(SqlClientFlavour sqlCmd, SqlClientFlavour server, bool is64Bit) {
  SqlClientFlavour flavour = sqlCmd != SqlClientNone ? sqlCmd : server;
  if (flavour == SqlClientNone) return is64Bit ? Sql2008R2x64 : Sql2008R2x86;
  // The 2008 R2 packages install only on Windows of their own bitness.
  if ((flavour == Sql2008R2x86 && is64Bit) || (flavour == Sql2008R2x64 && !is64Bit)) return SqlClientNone;
  return VendorLinks::SqlNativeClientFor(flavour) ? flavour : SqlClientNone;
}

bool SqlClientInstaller::EnsureSqlNativeClient() {
  if (detection.SqlNativeClientCheck()) return true;
  detection.SqlCmdCheck();
  detection.SqlServerVersion();
  const SqlClientFlavour flavour = ChooseFlavour(detection.sqlCmdFlavour, detection.serverFlavour, detection.Is64Bit());
  const std::optional<VendorLink> link = VendorLinks::SqlNativeClientFor(flavour);
  if (!link) {
    exitCode = ERROR_FILE_NOT_FOUND;
    log.WriteLine(L"No SQL Server Native Client package fits this machine.");
    return false;
  }
  chosenFlavour = flavour;
  const bool licensed = flavour == Sql2008R2x86 || flavour == Sql2008R2x64;
  exitCode = DownloadAndInstallMsi(links_.Url(*link), VendorLinks::FileName(*link), licensed ? L"IACCEPTSQLNCLILICENSETERMS=YES" : L"",
                                   links_.Sha256(*link));
  return exit_code::PackageSucceeded(static_cast<int>(exitCode));
}
