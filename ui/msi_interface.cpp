#include "ui/msi_interface.h"

#include <msi.h>

#include "core/localization.h"
#include "platform/prompts.h"
#include "platform/text.h"

int WINAPI MsiExternalUIHandler(LPVOID context, UINT messageType, LPCWSTR message) {
  if (!message) return 0;
  auto* ui = static_cast<MSIInterface*>(context);
  switch (messageType & 0xFF000000u) {
    case INSTALLMESSAGE_FATALEXIT:
    case INSTALLMESSAGE_ERROR:
    case INSTALLMESSAGE_WARNING:
    case INSTALLMESSAGE_USER:
    case INSTALLMESSAGE_INFO:
    case INSTALLMESSAGE_FILESINUSE:
    case INSTALLMESSAGE_RESOLVESOURCE:
    case INSTALLMESSAGE_OUTOFDISKSPACE:
    case INSTALLMESSAGE_ACTIONSTART:
    case INSTALLMESSAGE_ACTIONDATA:
    case INSTALLMESSAGE_COMMONDATA:
    case INSTALLMESSAGE_INITIALIZE:
    case INSTALLMESSAGE_TERMINATE:
    case INSTALLMESSAGE_SHOWDIALOG:
      return IDOK;
    case INSTALLMESSAGE_PROGRESS:
      break;
    default:
      return 0;
  }
  if (!ui) return IDOK;
  if (ui->cancelled) return IDCANCEL;
  if (!ui->questionPending || !*ui->askingPermitted) return IDOK;
  const std::wstring question = text::Trim(ui->question);
  if (question.empty()) return IDOK;
  int answer = IDNO;
  if (ui->prompts) {
    Localization* localization = ui->localization;
    answer = ui->prompts->Show(ui->owner, question, ui->caption, ui->boxType, [localization] {
      if (localization) localization->InstallMessageBoxHook();
    });
  }
  if (answer != IDYES) {
    ui->questionPending = false;
    return IDOK;
  }
  *ui->askingPermitted = false;
  HWND sheet = ui->owner ? GetParent(ui->owner) : nullptr;
  if (HWND cancel = sheet ? GetDlgItem(sheet, IDCANCEL) : nullptr) EnableWindow(cancel, FALSE);
  ui->cancelled = true;
  return IDCANCEL;
}
