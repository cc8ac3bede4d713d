#include "checks/launch_checks.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "checks/check_messages.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/conditions.h"
#include "definition/product.h"
#include "definition/substitute.h"
#include "definition/xml_readers.h"
#include "platform/text.h"

namespace {

constexpr UINT kSuiteUninstallText = 50227;
constexpr wchar_t kUnsupportedOsKey[] = L"[50286]";
constexpr wchar_t kDocumentCacheKey[] = L"[50170]";

UINT ButtonsFor(const std::wstring& option) {
  if (text::EqualsNoCase(option, L"OKCancel")) return MB_OKCANCEL;
  if (text::EqualsNoCase(option, L"YesNo")) return MB_YESNO;
  return MB_OK;
}

UINT IconFor(const std::wstring& icon) {
  if (text::EqualsNoCase(icon, L"Question")) return MB_ICONQUESTION;
  if (text::EqualsNoCase(icon, L"Information")) return MB_ICONINFORMATION;
  return 0;
}

const wchar_t* AnswerName(int answer) {
  switch (answer) {
    case IDOK:
      return L"OK";
    case IDCANCEL:
      return L"Cancel";
    case IDYES:
      return L"Yes";
    case IDNO:
      return L"No";
    default:
      return L"";
  }
}

}  // namespace

void RunLaunchChecks(CheckContext& context) {
  std::vector<XmlNode> groups;
  if (context.document.SelectAll(L"//LaunchChecks", groups) != XmlQuery::Found) return;
  for (const auto& group : groups) {
    std::vector<XmlNode> checks;
    if (group.SelectAll(L"LaunchCheck", checks) != XmlQuery::Found) {
      context.log.WriteLine(L"LaunchCheck node not found");
      continue;
    }
    for (const auto& check : checks) {
      if (!Conditions(check, ConditionKind::Check, context.Values()).Evaluate()) continue;
      std::wstring property = AttributeReader(check, context.Values()).Get(L"Property");
      if (property.empty()) {
        context.log.WriteLine(L"LaunchCheck without a Property skipped");
        continue;
      }
      if (!context.properties.Get(property).empty()) continue;
      const wchar_t* value =
          Conditions(check, ConditionKind::CheckGroup, context.Values()).Evaluate() ? L"True" : L"False";
      context.properties.Set(property, value);
      context.log.Log(L"%s %s", property, value);
    }
  }
}

LaunchMessages::LaunchMessages(CheckContext& context, LaunchSettings settings)
    : context_(context), settings_(std::move(settings)) {}

bool LaunchMessages::ShowLaunchMessages() {
  std::vector<XmlNode> groups;
  if (context_.document.SelectAll(L"//LaunchMessages", groups) == XmlQuery::Found) {
    for (const auto& group : groups) {
      bool goOn = true;
      ForEachNumberedChild(group, L"LaunchMessage[@MessageOrder=\"%d\"]", [&](int order, const XmlNode& message) {
        goOn = ShowMessage(order, message);
        return goOn;
      });
      if (!goOn) return false;
    }
  }
  if (!context_.silent && !settings_.solo && (settings_.modeFlags & mode::Uninstall)) return ConfirmSuiteUninstall();
  return true;
}

bool LaunchMessages::ShowMessage(int order, const XmlNode& message) {
  if (!Conditions(message, ConditionKind::Show, context_.Values()).Evaluate()) return true;
  ElementTextReader texts(message, context_.Values());
  if (context_.silent) {
    std::wstring option, failOn;
    texts.GetText(L"Option", option);
    texts.GetText(L"FailOn", failOn);
    if (!text::EqualsNoCase(option, L"OK") || !text::EqualsNoCase(failOn, L"OK")) return true;
    std::wstring info;
    texts.GetText(L"MessageInfo", info);
    context_.log.WriteLine(info);
    return false;
  }

  std::wstring raw;
  texts.GetText(L"MessageInfo", raw, true);
  std::wstring info = raw;
  if (!info.empty()) Substitute(info, context_.Values());
  if (raw == kUnsupportedOsKey) {
    if (settings_.screens)
      settings_.screens->ShowUnsupportedOs();
    else  // no wizard dialog to hand: the culture text itself tells the user
      ShowCheckMessage(context_, info, context_.productDisplayName, MB_SETFOREGROUND | MB_OK | MB_ICONERROR);
    return false;
  }
  if (raw == kDocumentCacheKey && OffersDocumentCacheDialog())
    return settings_.screens->ShowDocumentCache(info) != IDCANCEL;
  return ShowOrdinaryMessage(order, message, info);
}

bool LaunchMessages::ShowOrdinaryMessage(int order, const XmlNode& message, const std::wstring& info) {
  ElementTextReader texts(message, context_.Values());
  std::wstring option, failOn, icon;
  texts.GetText(L"Option", option);
  texts.GetText(L"FailOn", failOn);
  texts.GetText(L"Icon", icon);
  int answer = ShowCheckMessage(context_, info, context_.productDisplayName,
                                MB_SETFOREGROUND | ButtonsFor(option) | IconFor(icon));
  // A Yes/No box has no Cancel, yet Wine closes it on Esc with one: a dismissed question is a No,
  // never a way past a message that fails on No.
  if (answer == IDCANCEL && ButtonsFor(option) == MB_YESNO) answer = IDNO;
  std::wstring name = AnswerName(answer);
  if (name.empty()) {
    // Nobody answered, so nobody agreed to go on.
    context_.log.Log(L"Launch message %d could not be shown", order);
    return false;
  }
  if (text::EqualsNoCase(failOn, name)) return false;
  std::wstring property = AttributeReader(message, context_.Values()).Get(L"Property");
  if (!property.empty()) context_.properties.Set(property, answer == IDYES || answer == IDOK ? L"True" : L"False");
  return true;
}

// The document cache dialog replaces the plain message only where the cache matters: not for
// OP or the download tools, not when another family member keeps the cache, not when the user
// already chose, and only when there is a cache to keep. Without the wizard's dialog (no
// screens given) the text goes into an ordinary message box.
bool LaunchMessages::OffersDocumentCacheDialog() const {
  return settings_.screens && settings_.platformKind != PlatformKind::OnPremises && !text::EqualsNoCase(settings_.shortName, L"DEVadirez") &&
         !text::EqualsNoCase(settings_.shortName, L"DownloadManager") &&
         context_.properties.Matches(L"Tier1_Installed", L"False") && context_.properties.Get(kDocumentCacheProperty).empty() &&
         DocumentCachePresent();
}

bool LaunchMessages::DocumentCachePresent() const {
  if (settings_.documentCachePresent) return *settings_.documentCachePresent;
  return context_.localization && context_.localization->DocumentCachePresent();
}

bool LaunchMessages::ConfirmSuiteUninstall() {
  std::wstring list;
  if (context_.products)
    for (const auto& product : *context_.products)
      if (product) list += text::Format(L"- %s\n", product->Name);
  std::wstring message = CultureMessage(context_, kSuiteUninstallText, {list});

  int answer = 0;
  if (settings_.screens && settings_.platformKind != PlatformKind::OnPremises && context_.properties.Get(kDocumentCacheProperty).empty() &&
      DocumentCachePresent() && settings_.allFamilyMembersListed && settings_.allFamilyMembersListed()) {
    answer = settings_.screens->ShowDocumentCache(message);
  } else {
    answer = ShowCheckMessage(context_, message, settings_.suiteCaption, MB_SETFOREGROUND | MB_YESNO | MB_ICONQUESTION);
  }
  return answer == IDYES || answer == IDOK;
}
