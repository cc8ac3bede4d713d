// Makes sure the SQL Server Native Client is there, installing the generation the SQLCMD utility
// or the SQL Server of this machine calls for.
#pragma once

#include <optional>
#include <string>

#include "checks/sql_probe.h"
#include "engine/component_installer.h"
#include "engine/vendor_links.h"

class SqlClientInstaller : public ComponentInstaller {
 public:
  SqlClientInstaller(LogFile& log, platform::Platform& machine, const VendorLinks& links,
                     const std::wstring& logFolder = {});

  // True when the Native Client was found or installed (Windows Installer 0, 1641 or 3010).
  bool EnsureSqlNativeClient();

  // The flavour to install: the SQLCMD utility's, else the server's, else SQL Server 2008 R2 of
  // the machine's bitness; SqlClientNone when no package fits.
  static SqlClientFlavour ChooseFlavour(SqlClientFlavour sqlCmd, SqlClientFlavour server, bool is64Bit);

  SqlDetection detection;
  // The flavour downloaded (the SQLCMD utility follows it); SqlClientNone when none was.
  SqlClientFlavour chosenFlavour = SqlClientNone;

 private:
  const VendorLinks& links_;
};
