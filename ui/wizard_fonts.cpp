#include "ui/wizard_fonts.h"

#include "platform/files.h"
#include "platform/handles.h"

namespace {

int CALLBACK FamilyFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FamilyOnScreen(HDC dc, const std::wstring& face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face.c_str(), LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &query, FamilyFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

std::wstring ChooseWizardFace(const FaceAvailability& faces) { return faces.segoe ? L"Segoe UI" : L"Verdana"; }

std::wstring FontsFolder(const std::wstring& windowsFolder, DWORD osMajorVersion) {
  std::wstring folder = windowsFolder;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + (osMajorVersion <= 4 ? L"system\\" : L"fonts\\");
}

HFONT CreatePointFont(int tenthsOfPoint, const std::wstring& face, int dpi) {
  if (dpi <= 0) {
    platform::WindowDC screen(nullptr);
    dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  }
  LOGFONTW font{};
  font.lfHeight = -MulDiv(tenthsOfPoint, dpi, 720);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

void WizardFonts::Prepare(const std::wstring& windowsFolder, DWORD osMajorVersion) {
  const std::wstring folder = FontsFolder(windowsFolder, osMajorVersion);
  platform::WindowDC screen(nullptr);
  auto available = [&](const wchar_t* face, const wchar_t* file) {
    return platform::FileExists(folder + file) && screen && FamilyOnScreen(screen.get(), face);
  };
  FaceAvailability faces;
  faces.segoe = available(L"Segoe UI", L"segoeui.ttf");
  faces.segoeBold = available(L"Segoe UI Bold", L"segoeuib.ttf");
  faces.verdana = available(L"Verdana", L"verdana.ttf");
  faces.verdanaBold = available(L"Verdana Bold", L"verdanab.ttf");
  face_ = ChooseWizardFace(faces);
  title_.reset(CreatePointFont(120, face_));
  text_.reset(CreatePointFont(90, face_));
}

WizardFonts::Previous WizardFonts::ScaleTo(int dpi) {
  Previous previous{std::move(title_), std::move(text_)};
  title_.reset(CreatePointFont(120, face_, dpi));
  text_.reset(CreatePointFont(90, face_, dpi));
  return previous;
}

