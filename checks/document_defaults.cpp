#include "checks/document_defaults.h"

#include <windows.h>

#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/files.h"
#include "platform/system_queries.h"

std::wstring VaradavuRadareDefaults::SystemDrive() {
  std::wstring drive = platform::EnvironmentValue(L"SYSTEMDRIVE");
  if (!drive.empty()) {
    if (drive.back() != L'\\') drive += L'\\';
  } else {
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
      const std::wstring root = std::wstring(1, letter) + L":\\";
      if (system_.DriveType(root) == DRIVE_FIXED) {
        drive = root;
        break;
      }
    }
  }
  log_.Log(L"System drive is %s", drive);
  return drive;
}

void VaradavuRadareDefaults::ServerName() {
  if (!properties_.Get(L"[SERVER_NAME]").empty()) return;
  const std::wstring name = system_.ComputerDnsName();
  properties_.Set(L"[SERVER_NAME]", name);
  log_.Log(L"Server name is %s", name);
}

void VaradavuRadareDefaults::Folders(const std::wstring& systemDrive) {
  if (properties_.Get(L"[VIRUS_SCAN_PATH]").empty()) {
    const std::wstring folder = systemDrive + L"VirusScan";
    properties_.Set(L"[VIRUS_SCAN_PATH]", folder);
    log_.Log(L"Virus scan is %s", folder);
  }
  if (properties_.Get(L"[DOCUMENT_COMPRESS_PATH]").empty()) {
    const std::wstring folder = systemDrive + L"DocumentCompress";
    properties_.Set(L"[DOCUMENT_COMPRESS_PATH]", folder);
    log_.Log(L"Document compress path is %s", folder);
  }
}

void VaradavuRadareDefaults::ApplyForSilentInstall() {
  const std::wstring drive = SystemDrive();
  ServerName();
  Folders(drive);
  if (properties_.Get(L"[CATALOGDRIVE]").empty()) {
    properties_.Set(L"[CATALOGDRIVE]", drive);
    log_.Log(L"Catalog drive is %s", drive);
  }
}
