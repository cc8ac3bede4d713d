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
class XmlDocument;
class PropertyMap;

class Localization {
 public:
  Localization(LogFile& log, PropertyMap& properties, std::wstring setupDirectory, std::wstring variablesListFileName);

  // Decides the culture from the culture file, publishes it and loads "setup_<culture>.dll".
  bool Load();

  // The numbered text; empty when the library or the number is missing.
  std::wstring String(UINT id) const;
  // The text with "%1", "%2", ... replaced by the arguments in ascending order.
  std::wstring Message(UINT id, const std::vector<std::wstring>& args) const;
  // The next message box of this thread gets localised buttons.
  void InstallMessageBoxHook();
  // Widens a control whose text does not fit, moving its neighbour along.
  void FitControlToText(HWND control, HWND neighbour, HFONT font);
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
  void ReadCultureFile(const std::wstring& path);
  std::wstring ReadCultureVariable(const XmlDocument& doc, const std::wstring& name, const std::wstring& path);
  void PublishCulture();

  LogFile& log_;
  PropertyMap& properties_;
  std::wstring setupDirectory_;
  std::wstring variablesListFileName_;
  platform::Library library_;
  std::wstring libraryFileName_;
  int imageCultureOffset_ = 0;
  std::wstring culture_;
  std::wstring productCulture_;
};

// A message box with an empty caption and one OK button, its button localised when a
// localization is given: how start-up and the definition report what stops them.
void ShowPlainMessage(platform::Prompts& prompts, Localization* localization, const std::wstring& text);

// The process-wide localization, for code without access to the application object.
Localization* CurrentLocalization();
void SetProcessLocalization(Localization* localization);
