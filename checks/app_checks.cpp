#include "checks/app_checks.h"

#include <windows.h>

#include <algorithm>

#include "checks/check_messages.h"
#include "core/log_file.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace {

constexpr UINT kRunningAppsIntro = 50101, kRunningAppsOutro = 50102;
constexpr UINT kLockedFilesIntro = 50220, kLockedFilesOutro = 50222;

// Entries are compared whole: a name that merely appears inside an earlier one
// ("Word" in "WordPad") is still a different program.
bool Listed(const std::vector<std::wstring>& entries, const std::wstring& entry) {
  return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

bool IsRunning(platform::Processes& processes, const std::wstring& executable) {
  std::vector<std::wstring> running;
  if (!processes.RunningExecutables(running)) return false;
  return std::any_of(running.begin(), running.end(),
                     [&](const std::wstring& name) { return text::EqualsNoCase(name, executable); });
}

// Asks Retry or Cancel; anything but Retry (also a box that could not be shown) counts as
// Cancel, so the loop can never spin without the user.
bool UserRetries(CheckContext& context, const std::wstring& message) {
  return ShowCheckMessage(context, message, context.productDisplayName, MB_RETRYCANCEL | MB_ICONERROR) == IDRETRY;
}

// Adds an entry for every child of the given name whose conditions hold and which has attributes.
template <typename Fill>
void Collect(const std::vector<XmlNode>& children, CheckContext& context, AppList& apps, Fill fill) {
  for (const auto& child : children) {
    if (!Conditions(child, ConditionKind::Check, context.Values()).Evaluate()) continue;
    AttributeReader attributes(child, context.Values());
    if (attributes.Count() == 0) continue;
    auto app = std::make_shared<App>();
    fill(attributes, *app);
    apps.push_back(app);
  }
}

}  // namespace

bool AppCheck::CheckRunningApps() {
  std::vector<XmlNode> groups;
  if (context_.document.SelectAll(L"//AppChecks", groups) != XmlQuery::Found) return true;
  for (const auto& group : groups) {
    std::vector<XmlNode> checks;
    if (group.SelectAll(L"AppCheck", checks) != XmlQuery::Found) {
      context_.log.WriteLine(L"AppCheck node not found");
      continue;
    }
    Collect(checks, context_, apps_, [](const AttributeReader& attributes, App& app) {
      app.Name = attributes.Get(L"Name");
      app.Executable = attributes.Get(L"Executable");
    });
    return !FindRunningApps();
  }
  return true;
}

bool AppCheck::FindRunningApps() {
  for (;;) {
    std::vector<std::wstring> names;
    std::wstring list;
    for (const auto& app : apps_) {
      if (!IsRunning(context_.machine.processes, app->Executable) || Listed(names, app->Name)) continue;
      context_.log.Log(L"%s must be closed to continue. Executable name is %s", app->Name, app->Executable);
      names.push_back(app->Name);
      list += L"- " + app->Name + L"\n";
    }
    if (names.empty()) return false;
    if (context_.silent) return true;
    std::wstring message =
        CultureString(context_, kRunningAppsIntro) + list + CultureString(context_, kRunningAppsOutro);
    if (!UserRetries(context_, message)) return true;
  }
}

bool FilesInUse::CheckFilesInUse() {
  std::vector<XmlNode> groups;
  if (context_.document.SelectAll(L"//FileInUseChecks", groups) != XmlQuery::Found) return true;
  for (const auto& group : groups) {
    std::vector<XmlNode> checks;
    if (group.SelectAll(L"FileCheck", checks) != XmlQuery::Found) {
      context_.log.WriteLine(L"FileInUse node not found");
      continue;
    }
    Collect(checks, context_, apps_, [](const AttributeReader& attributes, App& app) {
      app.File = attributes.Get(L"File");
      app.Executable = attributes.Get(L"Executable");
    });
    if (FindLockedFiles()) return false;
  }
  return true;
}

bool FilesInUse::FindLockedFiles() {
  for (;;) {
    std::wstring files;
    std::vector<std::wstring> programs;
    std::wstring programList;
    for (const auto& app : apps_) {
      if (app->File.empty() || !platform::FileExists(app->File)) continue;
      DWORD error = platform::ExclusiveOpenError(app->File);
      if (error == 0) continue;
      files += L"- " + app->File + L"\n";
      context_.log.Log(L"Accessing %s returned error %d", app->File, static_cast<int>(error));
      if (Listed(programs, app->Executable)) continue;
      if (!programs.empty()) programList += L", ";
      programList += app->Executable;
      programs.push_back(app->Executable);
    }
    if (files.empty()) return false;
    if (context_.silent) return true;
    std::wstring message =
        CultureString(context_, kLockedFilesIntro) + files + CultureMessage(context_, kLockedFilesOutro, {programList});
    if (!UserRetries(context_, message)) return true;
  }
}
