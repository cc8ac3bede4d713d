// Registry access in both views, whatever the build's own bitness.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class Hive { LocalMachine, CurrentUser, ClassesRoot, Users };
enum class View { Bit32, Bit64 };

struct RegValue {
  DWORD type = REG_NONE;
  std::wstring text;     // REG_SZ, REG_EXPAND_SZ (unexpanded), REG_MULTI_SZ joined by '\0'
  uint64_t number = 0;   // REG_DWORD, REG_QWORD
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Reads one value; error holds the system code when the answer is empty.
  virtual std::optional<RegValue> Read(Hive hive, const std::wstring& key, const std::wstring& name, View view,
                                       LONG& error) = 0;
  virtual bool KeyExists(Hive hive, const std::wstring& key, View view) = 0;
  // Names of the direct subkeys; false when the key cannot be opened.
  virtual bool Subkeys(Hive hive, const std::wstring& key, View view, std::vector<std::wstring>& names) = 0;
  virtual LONG WriteString(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                           View view) = 0;
  virtual LONG WriteDword(Hive hive, const std::wstring& key, const std::wstring& name, DWORD value, View view) = 0;
};

class Win32Registry final : public Registry {
 public:
  std::optional<RegValue> Read(Hive hive, const std::wstring& key, const std::wstring& name, View view,
                               LONG& error) override;
  bool KeyExists(Hive hive, const std::wstring& key, View view) override;
  bool Subkeys(Hive hive, const std::wstring& key, View view, std::vector<std::wstring>& names) override;
  LONG WriteString(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   View view) override;
  LONG WriteDword(Hive hive, const std::wstring& key, const std::wstring& name, DWORD value, View view) override;
};

}  // namespace platform
