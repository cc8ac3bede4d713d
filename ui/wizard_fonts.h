// The two fonts every wizard page uses; the sheet owns them and prepares them before it shows.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

// Which face the wizard uses, from what the machine has: Segoe UI, else Verdana.
struct FaceAvailability {
  bool segoe = false, segoeBold = false, verdana = false, verdanaBold = false;
};
std::wstring ChooseWizardFace(const FaceAvailability& faces);

// The fonts folder: the Windows folder, then "fonts\" ("system\" on Windows NT 4 and older).
std::wstring FontsFolder(const std::wstring& windowsFolder, DWORD osMajorVersion);

class WizardFonts {
 public:
  // Looks for the faces (file in the fonts folder and family on the screen) and creates the fonts.
  void Prepare(const std::wstring& windowsFolder, DWORD osMajorVersion);
  // The same faces at another DPI (a monitor of its own). The old fonts are handed back: the
  // controls still drawing with them get the new ones before the old are freed.
  struct Previous {
    platform::GdiObject title, text;
  };
  Previous ScaleTo(int dpi);
  HFONT Title() const { return static_cast<HFONT>(title_.get()); }
  HFONT Text() const { return static_cast<HFONT>(text_.get()); }
  const std::wstring& Face() const { return face_; }

 private:
  std::wstring face_;
  platform::GdiObject title_, text_;
};

// A font of the given face and size in tenths of a point, for the screen (or a DPI of its own).
HFONT CreatePointFont(int tenthsOfPoint, const std::wstring& face, int dpi = 0);
