#include "checks/probe_registry.h"

namespace probe_registry {

using platform::Hive;
using platform::View;

View Wow64AwareView(platform::SystemQueries& system) {
  bool is64 = false;
  DWORD error = 0;
  return system.Is64BitWindows(is64, error) && is64 ? View::Bit64 : View::Bit32;
}

bool ReadNumber(platform::Registry& registry, const std::wstring& key, const std::wstring& name, View view,
                DWORD& number, LONG& error) {
  number = 0;
  auto value = registry.Read(Hive::LocalMachine, key, name, view, error);
  if (!value) return false;
  if (value->type != REG_DWORD && value->type != REG_QWORD) {
    error = ERROR_INVALID_DATATYPE;
    return false;
  }
  number = static_cast<DWORD>(value->number);
  return true;
}

bool ReadText(platform::Registry& registry, const std::wstring& key, const std::wstring& name, View view,
              std::wstring& text, LONG& error) {
  text.clear();
  auto value = registry.Read(Hive::LocalMachine, key, name, view, error);
  if (!value) return false;
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ && value->type != REG_MULTI_SZ) {
    error = ERROR_INVALID_DATATYPE;
    return false;
  }
  text = value->text.substr(0, value->text.find(L'\0'));
  return true;
}

}  // namespace probe_registry
