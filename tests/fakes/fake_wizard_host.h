// The run behind a wizard, made of fakes: the tests set its fields and read what the pages did.
#pragma once

#include <memory>
#include <string>

#include "core/localization.h"
#include "core/property_map.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "ui/wizard_host.h"

class FakeWizardHost : public WizardHost {
 public:
  MemoryLog log;
  PropertyMap properties;
  FakePlatform machine;
  std::unique_ptr<Localization> localization;
  ProductCatalog products;
  XmlDocument document;
  uint32_t modeFlags = 2;  // Install
  int resultCode = 0;
  ::PlatformKind kind = ::PlatformKind::OnPremises;
  std::wstring shortName = L"Rizod", guid = L"{RIZOD}", displayName = L"Rizod Server", text1007 = L"Rizod Document Server";
  std::wstring title = L"Rizod Server Installation", qvDirectory = L"Orvanta\\Rizod";
  std::wstring installDirectory, defaultDirectory = L"C:\\Program Files\\Orvanta\\Rizod";
  std::wstring installedDirectory;  // empty: the product is not installed
  bool validPaths = true, appsClosed = true, prerequisites = true, restart = false;
  std::wstring setupDirectory = L"C:\\dist\\";
  HMODULE library = nullptr;  // the product's resource library; null: none
  std::wstring empty;
  RunPlan plan;  // empty: the install page starts no work

  // The executor's services over the same fields.
  struct Services final : RunServices {
    explicit Services(FakeWizardHost& h) : host(h) {}
    FakeWizardHost& host;
    EngineContext MakeEngineContext() override {
      return EngineContext(host.log, host.properties, host.localization.get(), host.machine.installer, host.document,
                           host.products);
    }
    ProductCatalog& Products() override { return host.products; }
    bool InstallPrerequisites(EngineContext&) override { return host.prerequisites; }
    std::wstring ExtraInstallProperties() override { return L""; }
    void AppendExtraInstallProperties(const std::wstring&) override {}
    void QuietInstaller() override {}
    void DefaultServerName() override {}
    void DefaultInstallDirectory() override {}
    void DocumentServerDefaults() override {}
    void RerunMsiChecks() override { host.log.WriteLine(L"RerunMsiChecks"); }
    bool FirstProductInstalled() override { return !host.installedDirectory.empty(); }
    bool RebootNeeded() override { return host.restart; }
    bool RestartRequired() override { return host.restart; }
    void SetRebootRequiredFlag() override { host.SetRebootRequiredFlag(); }
    void RestartSetup() override { host.log.WriteLine(L"RestartSetup"); }
    void SetSuccessProperty(bool succeeded) override { host.properties.Set(L"SetupSuccess", succeeded ? L"True" : L"False"); }
    int ExitCode() override { return host.resultCode; }
    void SetExitCode(int code) override { host.resultCode = code; }
    void Log(const std::wstring& line) override { host.log.WriteLine(line); }
  } services{*this};

  LogFile& Log() override { return log; }
  PropertyMap& Properties() override { return properties; }
  Localization* GetLocalization() override { return localization.get(); }
  platform::Platform& GetPlatform() override { return machine.bundle; }
  uint32_t ModeFlags() const override { return modeFlags; }
  int SetupResultCode() const override { return resultCode; }
  void SetSetupResultCode(int code) override { resultCode = code; }
  ::PlatformKind PlatformKind() const override { return kind; }
  const std::wstring& ShortName() const override { return shortName; }
  const std::wstring& SetupDirectory() const override { return setupDirectory; }
  ProductCatalog& Products() override { return products; }
  bool SoloProduct() const override { return products.size() == 1; }
  const XmlDocument& SetupDocument() const override { return document; }
  HMODULE ProductLibrary() const override { return library; }
  const std::wstring& ProductDisplayName() const override { return displayName; }
  const std::wstring& ProductText1007() const override { return text1007; }
  const std::wstring& ProductText1008() const override { return empty; }
  const std::wstring& CurrentTitle() const override { return title; }
  std::wstring ProductText(UINT) override { return L""; }
  std::wstring ResultText(uint32_t code) override { return L"Result " + std::to_wstring(code); }
  std::wstring InstallDirectory() const override { return installDirectory; }
  void SetInstallDirectory(const std::wstring& directory) override {
    installDirectory = directory;
    properties.Set(L"[INSTALLDIRECTORY]", directory);
  }
  bool ValidateInstallPath(const std::wstring&) override { return validPaths; }
  bool ResolveInstallDirectory(std::wstring& out) override {
    out = installedDirectory;
    return !out.empty();
  }
  std::wstring DefaultInstallDirectory() override { return defaultDirectory; }
  const std::wstring& QVDirectory() const override { return qvDirectory; }
  bool CheckRunningApps(HWND) override { return appsClosed; }
  const RunPlan& Plan() override { return plan; }
  RunServices& Services() override { return services; }
  bool PrerequisiteResult() const override { return prerequisites; }
  void SetPrerequisiteResult(bool passed) override { prerequisites = passed; }
  bool RestartRequired() override { return restart; }
  void SetRebootRequiredFlag() override { log.WriteLine(L"SetRebootRequiredFlag"); }
  const std::wstring& RebootPrerequisiteName() const override { return empty; }
  void ShowUnsupportedSystem(HWND) override { log.WriteLine(L"ShowUnsupportedSystem"); }
};
