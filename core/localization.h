// The culture of the run, its numbered texts and the localised message-box buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/handles.h"

class LogFile;
namespace platform {
class Prompts;
}
class PropertyMap;

// The culture of a run as its culture file names it.
struct CultureNames {
  std::wstring culture;          // the texts' culture, "{CultureName}"
  std::wstring productCulture;   // the products' culture, "{ProductCultureName}"; empty: not named
  std::wstring libraryFileName;  // "setup_<culture>.dll"; empty when the file could not be read at all
};

class Localization {
 public:
  Localization(LogFile& log, PropertyMap& properties, std::wstring setupDirectory);

  // Publishes the culture and loads the culture library beside setup.exe.
  bool Load(const CultureNames& names);

  // The numbered text; empty when the library or the number is missing.
  std::wstring String(UINT id) const;
  // The text with "%1", "%2", ... replaced by the arguments in ascending order.
  std::wstring Message(UINT id, const std::vector<std::wstring>& args) const;
  // A text with "%1", "%2", ... replaced by the arguments in ascending order.
  static std::wstring FormatArgs(std::wstring text, const std::vector<std::wstring>& args);
  // The next message box of this thread gets localised buttons.
  void InstallMessageBoxHook();
  bool DocumentCachePresent() const;

  int ImageCultureOffset() const { return imageCultureOffset_; }
  const std::wstring& Culture() const { return culture_; }
  const std::wstring& ProductCulture() const { return productCulture_; }
  const std::wstring& LibraryFileName() const { return libraryFileName_; }
  bool Loaded() const { return static_cast<bool>(library_); }

  // Letters, digits and hyphens only, as culture names are.
  static bool IsCultureName(const std::wstring& value);
  // Reads a numbered string from a loaded module; false when absent.
  static bool ReadString(HMODULE module, UINT id, std::wstring& out);

 private:
  void PublishCulture();

  LogFile& log_;
  PropertyMap& properties_;
  std::wstring setupDirectory_;
  platform::Library library_;
  std::wstring libraryFileName_;
  int imageCultureOffset_ = 0;
  std::wstring culture_;
  std::wstring productCulture_;
};

// A message box with an empty caption and one OK button, its button localised when a
// localization is given: how start-up and the definition report what stops them.
void ShowPlainMessage(platform::Prompts& prompts, Localization* localization, const std::wstring& text);
