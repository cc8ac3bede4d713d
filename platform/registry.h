// Registry access in both views, whatever the build's own bitness.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

enum class Hive { LocalMachine, CurrentUser, ClassesRoot, Users };
// Bit32/Bit64 name a view explicitly; Native is the view of this program's own bitness, the one
// its COM registrations live in.
enum class View { Bit32, Bit64, Native };

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
  // The status of opening the key for reading (ERROR_SUCCESS when it opens).
  virtual LONG KeyStatus(Hive hive, const std::wstring& key, View view) = 0;
  bool KeyExists(Hive hive, const std::wstring& key, View view) { return KeyStatus(hive, key, view) == ERROR_SUCCESS; }
  // The key's values in index order. Answers the open status; when the key opened, endStatus is
  // the status that ended the walk (ERROR_NO_MORE_ITEMS at the normal end).
  virtual LONG Values(Hive hive, const std::wstring& key, View view,
                      std::vector<std::pair<std::wstring, RegValue>>& values, LONG& endStatus) = 0;
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
  LONG KeyStatus(Hive hive, const std::wstring& key, View view) override;
  LONG Values(Hive hive, const std::wstring& key, View view, std::vector<std::pair<std::wstring, RegValue>>& values,
              LONG& endStatus) override;
  bool Subkeys(Hive hive, const std::wstring& key, View view, std::vector<std::wstring>& names) override;
  LONG WriteString(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   View view) override;
  LONG WriteDword(Hive hive, const std::wstring& key, const std::wstring& name, DWORD value, View view) override;
};

}  // namespace platform
