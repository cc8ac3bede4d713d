// The machine's shared record of where each product's cached package and install source lie.
// Uninstalls put a missing install source back from the cached copy and drop the entries of the
// products they removed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "definition/read_context.h"
#include "definition/xml_document.h"
#include "platform/com_apartment.h"
#include "platform/security.h"
#include "platform/system_queries.h"
#include "platform/windows_installer.h"

// What an uninstall does with the record: put a product's install source back before its
// packages go, and drop its entry once they are gone.
class InstallSourceRecord {
 public:
  virtual ~InstallSourceRecord() = default;
  virtual void RestoreSource(const std::wstring& productName, const std::wstring& productCode) = 0;
  virtual void DropEntry(const std::wstring& productName) = 0;
};

class InstallSourceInfo {
 public:
  // path: the record file; RecordPath gives the machine's. Its texts are substituted like
  // the definition's. With security, the record's folder is made administrators' alone before
  // the record is read or written.
  InstallSourceInfo(const ReadContext& values, std::wstring path, platform::Security* security = nullptr);
  ~InstallSourceInfo();
  InstallSourceInfo(const InstallSourceInfo&) = delete;
  InstallSourceInfo& operator=(const InstallSourceInfo&) = delete;

  void Open();
  // Copies the cached package Windows Installer reports for the product (reportedPackage) back to
  // the recorded install source, only when the record names that same package and the source lies
  // outside the Windows folder: the record is a shared file, not a licence to copy anything anywhere.
  void RestoreInstallSource(const std::wstring& productName, const std::wstring& reportedPackage);
  void DeleteEntry(const std::wstring& productName);
  // Saves once when an entry was deleted.
  void Close();

  // "<common application data>\QV\InstallSourceInfo\InstallSourceInfo.xml"; empty when the
  // folder cannot be had.
  static std::wstring RecordPath(platform::SystemQueries& system);

 private:
  std::wstring Query(const std::wstring& productName) const;
  void CreateFolders(const std::wstring& filePath);

  LogFile& log_;
  ReadContext values_;
  std::wstring path_;
  platform::Security* security_;
  // COM for the record's document until Close; declared first so that it is given up last.
  std::optional<platform::ComApartment> com_;
  XmlDocument document_;
  bool loaded_ = false;
  bool modified_ = false;
};

// The machine's record, opened, with Windows Installer's own answer for each product's cached
// package; null when the record's folder cannot be had.
std::unique_ptr<InstallSourceRecord> OpenMachineInstallSources(const ReadContext& values, platform::SystemQueries& system,
                                                               platform::Security& security,
                                                               platform::WindowsInstaller& installer);
