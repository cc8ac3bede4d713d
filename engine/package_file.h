// The package sequences: one walk over every product's package groups, each group inside one
// Windows Installer transaction, with the per-package operation of the kind of sequence.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "definition/product.h"
#include "definition/xml_document.h"
#include "engine/engine_context.h"
#include "engine/install_source_info.h"

// Windows Installer's verbose log for the next package, into the run's log folder.
// The full path of a log of that name in the run's log folder.
std::wstring MsiLogPath(const EngineContext& context, const std::wstring& fileName);
// Turns on the verbose log of the next installer call; the answer is the log's full path.
std::wstring EnableMsiLog(const EngineContext& context, const std::wstring& fileName);
// Makes way for a new log file the installer is to write: the installer overwrites whatever the
// name leads to. False (logged) when a link or folder stands there.
bool ClearMsiLog(const EngineContext& context, const std::wstring& path);
// Hides the run's secret values in an installer log that has been written: Windows Installer
// writes the command line and, under Wine, every property in clear whatever it is told.
void MaskMsiLog(const EngineContext& context, const std::wstring& path);
// The text of a child element that is a Windows Installer property string: a value put in for a
// reference stays one property value whatever blanks and quotes it holds.
std::wstring ReadPropertyString(const EngineContext& context, const XmlNode& node, const wchar_t* element);
// An installer property string as handed over: its secret values are learnt for the masks and
// their names listed in MsiHiddenProperties.
std::wstring HiddenArguments(const EngineContext& context, const std::wstring& arguments);

// Why a package or product is left alone; the words the result file and the plan give.
namespace skip_reason {
constexpr wchar_t kConditionFalse[] = L"condition false";
constexpr wchar_t kAlreadyInstalled[] = L"already installed";
constexpr wchar_t kNotInstalled[] = L"not installed";
constexpr wchar_t kNoProductCode[] = L"no product code";
constexpr wchar_t kDependencyMissing[] = L"dependency missing";
}  // namespace skip_reason

// What a sequence does with one package, decided from the definition and the machine alone, so
// that a plan and the run decide alike.
struct PackageDecision {
  std::wstring action;  // "install", "uninstall", "repair", or "skip"
  std::wstring reason;  // one of skip_reason, or why a repair installs
};

class PackageFile {
 public:
  PackageFile(EngineContext& context, std::wstring baseProperties);
  virtual ~PackageFile() = default;
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  // Fills the order element, the log element and the operation word of the kind.
  virtual void Initialize() {}

  // kind: 2 install, 4 uninstall, 8 repair. False when the groups of a product cannot be selected.
  bool RunSequence(uint32_t kind);
  // How many packages the sequence's walk reaches when nothing fails (after Initialize).
  int CountPackages() const;

  // What the sequence would do with every product and package, into the run's report; nothing is
  // changed. False when the groups of a product cannot be selected.
  bool PlanSequence(uint32_t kind);

  virtual PackageDecision Decide(const XmlNode& package) const;
  virtual int ProcessPackage(const XmlNode& package);
  virtual void OnGroupCommitted(Product& product);
  virtual void RunPostPass(Product& product, const XmlNode& group);
  virtual void RunRollbackPass(const XmlNode& group);

  std::wstring ReadLogName(const XmlNode& package) const;
  // The base properties and the package's InstallArguments, for Windows Installer or, when
  // forInstaller is false, for a program's command line.
  std::wstring BuildArguments(const XmlNode& package, bool forInstaller = true) const;
  std::wstring EnableMsiLog(const std::wstring& fileName) const;
  int InstallMsiPackage(const XmlNode& package, const std::wstring& name);

  const std::vector<std::wstring>& FailedPackages() const { return failedPackages_; }

 protected:
  // The text of a child element of a package (substituted); empty when missing.
  std::wstring Read(const XmlNode& package, const wchar_t* element) const;
  EngineObserver& Observer() const { return context_.Observer(); }
  std::wstring Text(UINT id, const std::wstring& argument) const;
  int InstallPostPackage(const XmlNode& package);
  // The package groups of a product, in document order; false (logged) when they cannot be selected.
  bool ProductGroups(const Product& product, std::vector<XmlNode>& groups) const;

  // The product's outcome into its report entry.
  void Report(ItemReport& report, const Product& product) const;
  // The report entry of a product; null when the run records none.
  ItemReport* ReportOf(const Product& product) const;
  // The product's dependency is missing where the sequence needs it: logged and reported.
  bool DependencyMissing(Product& product, uint32_t kind);
  // The action word of the sequence for the report ("upgrade" for both halves of an upgrade).
  std::wstring ActionWord(uint32_t kind) const;
  // A package the sequence leaves alone, and one it hands to an installer.
  void NoteSkipped(const std::wstring& reason) { if (skipReason_.empty()) skipReason_ = reason; }
  void NoteRun() { ++packagesRun_; }

  EngineContext& context_;
  std::wstring baseProperties_;
  bool planning_ = false;    // a plan: nothing is run, the run's outcome is not touched
  int packagesRun_ = 0;      // of the current product
  std::wstring skipReason_;  // the first reason a package of the current product was left alone
  std::wstring orderElement_, logElement_, operationWord_;
  const Product* currentProduct_ = nullptr;  // the product whose groups run now
  bool exitCodeRequired_ = false;
  int requiredExitCode_ = 0;
  std::vector<std::wstring> failedPackages_;
};

class InstallPackageFile : public PackageFile {
 public:
  using PackageFile::PackageFile;
  void Initialize() override;
  PackageDecision Decide(const XmlNode& package) const override;
  int ProcessPackage(const XmlNode& package) override;
  void RunRollbackPass(const XmlNode& group) override;
};

class RepairPackageFile : public PackageFile {
 public:
  using PackageFile::PackageFile;
  void Initialize() override;
  PackageDecision Decide(const XmlNode& package) const override;
  int ProcessPackage(const XmlNode& package) override;
  void OnGroupCommitted(Product& product) override;
  const std::vector<std::wstring>& RepairedGuids() const { return repairedGuids_; }

 private:
  std::vector<std::wstring> repairedGuids_;  // in the order repaired; compared exactly
};

class UninstallPackageFile : public PackageFile {
 public:
  using PackageFile::PackageFile;
  void Initialize() override;
  PackageDecision Decide(const XmlNode& package) const override;
  int ProcessPackage(const XmlNode& package) override;
  void OnGroupCommitted(Product& product) override;
  void RunPostPass(Product& product, const XmlNode& group) override;
  int UninstallPackage(const XmlNode& package, bool rollback);

 private:
  // The record's entry is checked against the cached package Windows Installer reports for guid.
  void RestoreInstallSource(const std::wstring& name, const std::wstring& guid);
  void DeleteInstallSource(const std::wstring& name);

  std::unique_ptr<InstallSourceRecord> installSources_;  // the machine's record, when the run has one
  std::vector<std::wstring> uninstalledProducts_;
};

// The name every group's transaction carries.
constexpr wchar_t kTransactionName[] = L"Rizod Uvarud Install";
