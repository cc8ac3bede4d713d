// The document server's defaults: its system drive, server name and working folders, used by
// its wizard sheet and applied by a silent install. Values already given are kept.
#pragma once

#include <string>

class LogFile;
class PropertyMap;
namespace platform {
class SystemQueries;
}

class VaradavuRadareDefaults {
 public:
  VaradavuRadareDefaults(LogFile& log, PropertyMap& properties, platform::SystemQueries& system)
      : log_(log), properties_(properties), system_(system) {}

  // "SYSTEMDRIVE" with a backslash, else the first fixed drive from A to Z; logged.
  std::wstring SystemDrive();
  // "[SERVER_NAME]" from the computer's DNS name when not given.
  void ServerName();
  // "[VIRUS_SCAN_PATH]" and "[DOCUMENT_COMPRESS_PATH]" below the system drive when not given.
  void Folders(const std::wstring& systemDrive);
  // The three in their order, and "[CATALOGDRIVE]" when not given (a silent install).
  void ApplyForSilentInstall();

 private:
  LogFile& log_;
  PropertyMap& properties_;
  platform::SystemQueries& system_;
};
