#include "app/passive_driver.h"

#include <memory>

#include "app/app.h"
#include "app/app_wizard_host.h"
#include "app/silent_driver.h"
#include "checks/system_info.h"
#include "core/log_file.h"
#include "ui/install_page.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

namespace {

// The worker has handed the page over when the wizard ends; what is left of it is a log line.
constexpr DWORD kWorkerEndMilliseconds = 60000;

}  // namespace

void PassiveDriver::Run() {
  LogFile& log = app_.Log();
  log.WriteLine(L"Running in passive mode");
  SilentDriver silent(app_);
  if (!silent.RunChecks(false, true)) return;

  LogFile unopened;  // the facts were logged at start-up
  SystemInfo system(unopened, app_.GetPlatform().system);
  AppWizardHost host(app_, RunDriver::Passive);
  auto page = std::make_shared<InstallPage>(host);
  CWizardSheet sheet(host, {page});
  sheet.Fonts().Prepare(app_.GetPlatform().system.WindowsFolder(), system.Version().major);
  const int before = app_.SetupResultCode();
  if (sheet.Create()) sheet.RunLoop();
  if (!page->WorkerStarted()) {
    // No desktop to show the window on: the run the checks decided goes on without it, as a
    // silent one (a deployment tool asked for no questions, not for no install).
    log.WriteLine(L"The progress window could not be shown; the run goes on without it.");
    app_.SetSetupResultCode(before);
    silent.RunWork();
    for (const auto& product : app_.Products())
      if (silent.Finalized(*product)) finalized_.insert(product.get());
    return;
  }
  if (!page->WaitForWorker(kWorkerEndMilliseconds)) {
    // The window went before the work (it was closed from outside): an install cannot be left
    // half done, and the run's objects must outlive the work that uses them.
    log.WriteLine(L"The wizard closed while the work still runs; setup waits for the work to end.");
    page->WaitForWorker(INFINITE);
  }
  // The page that took the installer's messages goes with this function.
  app_.GetPlatform().installer.SetExternalUI(nullptr, 0, nullptr);
  for (const auto& product : app_.Products())
    if (page->Finalized(*product)) finalized_.insert(product.get());
}
