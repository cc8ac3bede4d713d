// The setup log: one timestamped ANSI line per event, written through at once.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/security.h"
#include "platform/text.h"

class PropertyMap;
class SecretMask;

class LogFile {
 public:
  virtual ~LogFile() = default;

  // Creates "<SYSTEMDRIVE>\Temp\DEVadirez\Setup.log" anew and sets "[TEMPDIRECTORY]"; logs what
  // was done to make the folder administrators' alone.
  void Open(PropertyMap& properties, platform::Security& security);
  // Creates the log at a given path (tests, tools).
  void OpenAt(const std::wstring& path);
  // Goes on in a new file at `path` holding the lines written so far; the old file is removed.
  // The run's folder (Folder()) stays where it was. 0, or the error that left the log unmoved.
  DWORD MoveTo(const std::wstring& path);

  // Every line passes the secret mask: it learns the value of any secret NAME=VALUE in the line
  // and hides every secret value it knows.
  void WriteLine(const std::wstring& line);
  // The mask the lines pass; Open takes the property map's.
  void MaskWith(SecretMask& secrets) { secrets_ = &secrets; }
  // Hides the secrets in another program's log file (an installer's verbose log) in place, in
  // its own encoding; a failure is logged. The second form uses the mask the lines pass.
  void MaskFile(const std::wstring& path, const SecretMask& secrets);
  void MaskFile(const std::wstring& path);

  template <typename... A>
  void Log(std::wstring_view format, const A&... args) {
    WriteLine(text::Format(format, args...));
  }

  const std::wstring& Path() const { return path_; }
  bool IsOpen() const { return static_cast<bool>(file_); }
  // Why Open found no folder it could safely write the log into; empty otherwise.
  const std::vector<std::wstring>& Refusal() const { return refusal_; }
  const std::wstring& Folder() const { return folder_; }

  // "3\7\2021 9:5:2 text\r\n"
  static std::wstring FormatLine(const SYSTEMTIME& time, const std::wstring& text);
  // UTF-16 to the thread's ANSI code page, with its replacement characters.
  static std::string ToAnsi(const std::wstring& line);
  // "<SYSTEMDRIVE>\Temp\DEVadirez", creating the two folders when missing; the second one only
  // administrators may change (see protected_folder.h), or a fresh one in its place when what
  // stands there cannot be used; empty when no safe folder can be had. Notes say what was done;
  // `parentSafe`, when given, whether nobody else can remove the folder through its parent.
  static std::wstring MakeLogFolder(platform::Security& security, std::vector<std::wstring>& notes,
                                    bool* parentSafe = nullptr);
  // Whether what is left in the log folder to run after this process ends (the clean-up batch,
  // the restart copy) stays out of other users' reach: false when its parent could not be
  // guarded, for then the folder could be renamed away and replaced once it is no longer held.
  bool FolderSafeAfterRun() const { return folderSafeAfterRun_; }
  void SetFolderSafeAfterRun(bool safe) { folderSafeAfterRun_ = safe; }
  // Keeps the folder from being renamed or replaced while this log is open.
  void HoldFolder();

 protected:
  // Writes a line that has been masked.
  virtual void Emit(const std::wstring& line);

 private:
  SecretMask* secrets_ = nullptr;
  bool folderSafeAfterRun_ = true;
  platform::UniqueHandle file_;
  platform::UniqueHandle folderHold_;
  std::wstring path_;
  std::wstring folder_;
  std::vector<std::wstring> refusal_;
};
