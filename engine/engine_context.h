// What a package sequence needs from the run around it. The application builds one per
// sequence; tests build it from fakes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/run_state.h"
#include "definition/product.h"
#include "definition/read_context.h"
#include "definition/xml_document.h"
#include "engine/engine_observer.h"

class InstallSourceRecord;
class LogFile;
class Localization;
class PropertyMap;
namespace platform {
class Processes;
class WindowsInstaller;
}

struct EngineContext {
  EngineContext(LogFile& l, PropertyMap& p, Localization* c, platform::WindowsInstaller& i, const XmlDocument& d,
                ProductCatalog& products_)
      : log(l), properties(p), localization(c), installer(i), document(d), products(products_) {}

  LogFile& log;
  PropertyMap& properties;
  Localization* localization;
  platform::WindowsInstaller& installer;
  const XmlDocument& document;
  ProductCatalog& products;
  std::wstring logFolder;
  std::wstring shortName;      // the first product's, for the install-source record
  uint32_t modeFlags = 0;      // the resolved run mode
  RunState* state = nullptr;   // the run's outcome; none: nothing is recorded
  platform::Processes* processes = nullptr;  // launches of finalize commands and clean-up batches
  std::wstring productDisplayName;           // the run's product, as its messages name it
  bool systemAccount = false;                // the process runs as the local system account
  std::wstring definitionFileName;           // for "not found in" lines
  std::wstring variablesListFileName;        // copied next to the installed product
  std::wstring systemFolder;                 // where msiexec.exe is started from; empty: unknown
  EngineObserver* observer = nullptr;        // who shows the run; none: nothing is shown

  // Services of other parts of the run; an empty function means "not available here".
  std::function<void(const std::wstring& productCode)> familyCheck;      // recomputes "Tier1_Installed"
  std::function<void()> rerunRegistryChecks;                             // before a rollback pass
  std::function<DWORD(const std::wstring& commandLine)> runHidden;       // hidden command, waited for
  // Opens the machine's install-source record for an uninstall; empty or null: no record.
  std::function<std::unique_ptr<InstallSourceRecord>()> openInstallSources;

  EngineObserver& Observer() const { return observer ? *observer : NoObserver(); }

  // What the definition's values are read and substituted with.
  ReadContext Values() const { return {log, properties, localization}; }

  int ExitCode() const { return state ? state->ExitCode() : 0; }
  void SetExitCode(int code) const {
    if (state) state->SetExitCode(code);
  }
  // A package or a commit answered 3010.
  void RequestRestart() const {
    if (state) state->RequestPackageRestart();
  }
};
