// What the wizard needs from the run that shows it. The application implements it; the pages
// see the run only through it, so the ui layer does not depend on the application.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/platform_kind.h"
#include "definition/product.h"
#include "engine/run_executor.h"
#include "engine/run_plan.h"

class LogFile;
class Localization;
class PropertyMap;
class XmlDocument;
namespace platform {
struct Platform;
}

class WizardHost {
 public:
  virtual ~WizardHost() = default;

  virtual LogFile& Log() = 0;
  virtual PropertyMap& Properties() = 0;
  virtual Localization* GetLocalization() = 0;
  virtual platform::Platform& GetPlatform() = 0;

  // The run.
  virtual uint32_t ModeFlags() const = 0;
  virtual int SetupResultCode() const = 0;
  virtual void SetSetupResultCode(int code) = 0;
  virtual ::PlatformKind PlatformKind() const = 0;
  virtual const std::wstring& ShortName() const = 0;
  // The folder setup.exe runs from (with its backslash), where its helper tools lie.
  virtual const std::wstring& SetupDirectory() const = 0;

  // The products and their texts.
  virtual ProductCatalog& Products() = 0;
  virtual bool SoloProduct() const = 0;
  virtual const XmlDocument& SetupDocument() const = 0;
  virtual HMODULE ProductLibrary() const = 0;  // the first product's resource library
  virtual const std::wstring& ProductDisplayName() const = 0;
  virtual const std::wstring& ProductText1007() const = 0;
  virtual const std::wstring& ProductText1008() const = 0;
  virtual const std::wstring& CurrentTitle() const = 0;
  // A text of the first product's library, shifted for hosted products and the culture as 1007 is.
  virtual std::wstring ProductText(UINT id) = 0;
  virtual std::wstring ResultText(uint32_t code) = 0;

  // The install folder.
  virtual std::wstring InstallDirectory() const = 0;
  // Also "[INSTALLDIRECTORY]".
  virtual void SetInstallDirectory(const std::wstring& directory) = 0;
  virtual bool ValidateInstallPath(const std::wstring& path) = 0;
  virtual bool ResolveInstallDirectory(std::wstring& out) = 0;  // of the first product
  virtual std::wstring DefaultInstallDirectory() = 0;
  virtual const std::wstring& QVDirectory() const = 0;

  // Checks the pages run again.
  virtual bool CheckRunningApps(HWND owner) = 0;

  // The work: the plan of this run and what its executor needs.
  virtual const RunPlan& Plan() = 0;
  virtual RunServices& Services() = 0;
  virtual bool PrerequisiteResult() const = 0;
  virtual void SetPrerequisiteResult(bool passed) = 0;

  // Restart and reboot.
  virtual bool RestartRequired() = 0;  // a prerequisite or a package asked for a reboot
  virtual void SetRebootRequiredFlag() = 0;
  virtual const std::wstring& RebootPrerequisiteName() const = 0;
  // The notice that this Windows is not supported (modal).
  virtual void ShowUnsupportedSystem(HWND owner) = 0;
};
