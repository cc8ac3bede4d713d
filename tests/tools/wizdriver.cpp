// wizdriver.exe COMMAND [ARGS...]: drives the running wizard from another process of the same
// Wine prefix, for the GUI tests.
//
//   state                  the sheet, the focus, its buttons and the controls of the active page (each
//                          with its screen rectangle; a progress bar with its position and style)
//   wait-control ID[,ID] MS  waits until the active page holds a visible control of those, then "state"
//   press back|next|finish|cancel
//   key enter|tab|escape   to the window that has the focus in the wizard's thread
//   focus ID               a sheet button or a page control
//   wait-box MS            waits for a message box and prints it
//   answer ID              clicks button ID of the message box
//   wait-gone MS           waits until no wizard is left
//   post MSG WPARAM [MS]   posts a window message to the sheet (e.g. a session change), then
//                          watches MS milliseconds whether the sheet was minimized
//   tooltip ID             the tooltip text of control ID of the active page
//   layout                 the active page's size, the sheet's and the work area's rectangles, and per
//                          visible control its rectangle on the page, inner size and the size its text
//                          needs in the control's font ("need", measured in the wizard's process by
//                          wizmeasure.dll, which must lie beside this program)
//   shown-tip              the text and screen rectangle of the wizard's tooltip on the screen now
//   toggle ID              clicks check box ID of the message box or dialog, which stays open
//   type ID TEXT           sets the text of control ID of the active page (an edit), as typed
//   select ID TEXT         selects the entry of drop-down list ID that begins with TEXT
//
// Output: UTF-8 "key=value" lines; in values a backslash, CR, LF and tab are written \\ \r \n \t.
// Exit code: 0 done, 1 time-out or nothing found, 2 bad arguments.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "resources/wizard_ids.h"
#include "tests/tools/wizmeasure.h"

namespace {

constexpr int kDone = 0, kNotFound = 1, kUsage = 2;
constexpr UINT kSendTimeoutMs = 2000;  // one message to a window of the wizard
constexpr DWORD kPollMs = 100;
constexpr int kSheetButtons[] = {12323, 12324, 12325, IDCANCEL};
constexpr int kBoxTextId = 0xFFFF;

// --- output ---------------------------------------------------------------------------------

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Escape(const std::wstring& value) {
  std::wstring out;
  for (wchar_t c : value) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      case L'\t': out += L"\\t"; break;
      default: out += c;
    }
  }
  return out;
}

void Put(const std::string& key, const std::wstring& value) {
  std::string line = key + "=" + Utf8(Escape(value)) + "\n";
  fwrite(line.data(), 1, line.size(), stdout);
}
void Put(const std::string& key, long long value) { Put(key, std::to_wstring(value)); }

int Fail(const char* what) {
  fprintf(stderr, "wizdriver: %s\n", what);
  fflush(stdout);
  return kNotFound;
}

// --- windows of another process -------------------------------------------------------------

bool Send(HWND window, UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) return false;
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

// WM_GETTEXT is marshalled across processes (also for rich edit controls).
std::wstring TextOf(HWND window) {
  LRESULT length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) return {};
  text.resize(static_cast<size_t>(copied) < text.size() ? static_cast<size_t>(copied) : 0);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return name;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND CurrentPage(HWND sheet) {
  LRESULT page = 0;
  if (!Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, &page)) return nullptr;
  return reinterpret_cast<HWND>(page);
}

// The wizard: a dialog-class top-level window that answers with its current page.
HWND FindWizard() {
  for (HWND w : TopLevelWindows()) {
    if (ClassOf(w) == L"#32770" && CurrentPage(w)) return w;
  }
  return nullptr;
}

// A message box: a dialog-class top-level window with the text static, not a property sheet.
// The text of a message box (its static 0xFFFF), or of a dialog of ours: its first unnumbered
// static (IDC_STATIC, -1) with a text, else its message static 225.
HWND BoxText(HWND box) {
  constexpr int kDialogMessageId = IDC_CACHE_MESSAGE;  // the message static of the setup's own question dialogs
  if (HWND text = GetDlgItem(box, kBoxTextId)) return text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    // An icon's static is unnumbered too, but has no text.
    if (GetWindowLongPtrW(child, GWLP_ID) == -1 && ClassOf(child) == L"Static" && GetWindowTextLengthW(child) > 0)
      return child;
  }
  HWND message = GetDlgItem(box, kDialogMessageId);
  return message && ClassOf(message) == L"Static" ? message : nullptr;
}

HWND FindBox() {
  DWORD self = GetCurrentProcessId();
  for (HWND w : TopLevelWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == self || ClassOf(w) != L"#32770" || !IsWindowVisible(w)) continue;
    if (BoxText(w) && !CurrentPage(w)) return w;
  }
  return nullptr;
}

template <typename Found>
auto PollFor(DWORD timeoutMs, Found found) {
  DWORD start = GetTickCount();
  for (;;) {
    auto result = found();
    if (result || GetTickCount() - start >= timeoutMs) return result;
    Sleep(kPollMs);
  }
}

// The window with the keyboard focus in the wizard's thread (a box of that thread included).
HWND FocusOf(HWND sheet) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info)) return nullptr;
  return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

bool IsCheckable(HWND control) {
  if (ClassOf(control) != L"Button") return false;
  switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

// --- commands -------------------------------------------------------------------------------

// The entries of a drop-down list, joined by "|".
std::wstring ComboItems(HWND combo) {
  std::wstring items;
  LRESULT count = 0;
  Send(combo, CB_GETCOUNT, 0, 0, &count);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = 0;
    if (!Send(combo, CB_GETLBTEXTLEN, i, 0, &length) || length < 0) continue;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    Send(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()), &copied);
    item.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    items += (i ? L"|" : L"") + item;
  }
  return items;
}

std::wstring RectText(const RECT& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

int PrintState(HWND sheet) {
  HWND page = CurrentPage(sheet);
  if (!page) return Fail("the wizard has no active page");
  LRESULT index = -1;
  Send(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0, &index);
  DWORD pid = 0;
  GetWindowThreadProcessId(sheet, &pid);
  Put("sheet.pid", pid);
  Put("sheet.caption", TextOf(sheet));
  Put("sheet.minimized", IsIconic(sheet) ? 1 : 0);
  RECT frame{};
  if (GetWindowRect(sheet, &frame))  // screen coordinates: where the sheet lies on the screen
    Put("sheet.rect", std::to_wstring(frame.left) + L"," + std::to_wstring(frame.top) + L"," +
                          std::to_wstring(frame.right) + L"," + std::to_wstring(frame.bottom));
  Put("page.index", index);
  HWND focus = FocusOf(sheet);
  HWND owner = focus ? GetParent(focus) : nullptr;
  Put("focus.id", focus ? GetDlgCtrlID(focus) : 0);
  Put("focus.owner", owner == page ? L"page" : owner == sheet ? L"sheet" : focus ? L"other" : L"none");
  for (int id : kSheetButtons) {
    HWND button = GetDlgItem(sheet, id);
    std::string key = "button." + std::to_string(id) + ".";
    Put(key + "visible", button && IsWindowVisible(button) ? 1 : 0);
    Put(key + "enabled", button && IsWindowEnabled(button) ? 1 : 0);
    Put(key + "text", button ? TextOf(button) : L"");
    RECT place{};
    if (button && GetWindowRect(button, &place))  // screen coordinates, for a real mouse click
      Put(key + "rect", std::to_wstring(place.left) + L"," + std::to_wstring(place.top) + L"," +
                            std::to_wstring(place.right) + L"," + std::to_wstring(place.bottom));
  }
  int n = 0;
  for (HWND control : ChildrenOf(page)) {
    std::string key = "control." + std::to_string(n++) + ".";
    Put(key + "id", GetDlgCtrlID(control));
    Put(key + "class", ClassOf(control));
    Put(key + "visible", IsWindowVisible(control) ? 1 : 0);
    Put(key + "enabled", IsWindowEnabled(control) ? 1 : 0);
    RECT place{};
    if (GetWindowRect(control, &place)) Put(key + "rect", RectText(place));
    LRESULT checked = 0;
    if (IsCheckable(control) && Send(control, BM_GETCHECK, 0, 0, &checked)) Put(key + "checked", checked);
    Put(key + "text", TextOf(control));
    if (ClassOf(control) == L"ComboBox") Put(key + "items", ComboItems(control));
    LRESULT position = 0;
    if (ClassOf(control) == PROGRESS_CLASSW && Send(control, PBM_GETPOS, 0, 0, &position)) {
      Put(key + "pos", position);
      Put(key + "marquee", (GetWindowLongW(control, GWL_STYLE) & PBS_MARQUEE) ? 1 : 0);
    }
  }
  fflush(stdout);
  return kDone;
}

HWND PageControl(int id) {
  HWND sheet = FindWizard();
  HWND page = sheet ? CurrentPage(sheet) : nullptr;
  return page ? GetDlgItem(page, id) : nullptr;
}

// WM_SETTEXT and then the change notification the edit would send for typed text.
int Type(int id, const std::wstring& text) {
  HWND control = PageControl(id);
  if (!control) return Fail("no such control on the active page");
  LRESULT done = 0;
  if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &done) || !done)
    return Fail("the control took no text");
  Put("typed", id);
  return kDone;
}

int Select(int id, const std::wstring& text) {
  HWND control = PageControl(id);
  if (!control) return Fail("no such control on the active page");
  LRESULT index = CB_ERR;
  if (!Send(control, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()), &index) ||
      index == CB_ERR)
    return Fail("no such entry");
  Put("selected", index);
  return kDone;
}

int WaitControl(const std::vector<int>& ids, DWORD timeoutMs) {
  HWND sheet = PollFor(timeoutMs, [&ids]() -> HWND {
    HWND wizard = FindWizard();
    HWND page = wizard ? CurrentPage(wizard) : nullptr;
    for (int id : ids) {
      HWND control = page ? GetDlgItem(page, id) : nullptr;
      if (control && IsWindowVisible(control)) return wizard;
    }
    return nullptr;
  });
  if (!sheet) return Fail("time-out: no active page with that visible control");
  return PrintState(sheet);
}

// "ID" or "ID,ID,..."
bool Numbers(const wchar_t* text, std::vector<int>* values) {
  std::wstring rest = text;
  for (size_t start = 0; start <= rest.size();) {
    size_t comma = rest.find(L',', start);
    std::wstring part = rest.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    wchar_t* end = nullptr;
    long value = wcstol(part.c_str(), &end, 10);
    if (part.empty() || *end != L'\0' || value < 0) return false;
    values->push_back(static_cast<int>(value));
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return !values->empty();
}

int Press(const std::wstring& name) {
  static const struct { const wchar_t* name; int button; } kButtons[] = {
      {L"back", PSBTN_BACK}, {L"next", PSBTN_NEXT}, {L"finish", PSBTN_FINISH}, {L"cancel", PSBTN_CANCEL}};
  for (const auto& b : kButtons) {
    if (name != b.name) continue;
    HWND sheet = FindWizard();
    if (!sheet) return Fail("no wizard");
    // Posted: the press may open a message box, which must not hold this program.
    if (!PostMessageW(sheet, PSM_PRESSBUTTON, b.button, 0)) return Fail("PostMessage failed");
    Put("pressed", name);
    return kDone;
  }
  return kUsage;
}

// Posted to the focus window so the wizard's own loop (its key rules) sees the key first.
int Key(const std::wstring& name) {
  static const struct { const wchar_t* name; UINT key; } kKeys[] = {
      {L"enter", VK_RETURN}, {L"tab", VK_TAB}, {L"escape", VK_ESCAPE}};
  for (const auto& k : kKeys) {
    if (name != k.name) continue;
    HWND sheet = FindWizard();
    if (!sheet) return Fail("no wizard");
    HWND target = FocusOf(sheet);
    if (!target) target = sheet;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(k.key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, k.key, scan | 1);
    PostMessageW(target, WM_KEYUP, k.key, scan | 1 | (1LL << 30) | (1LL << 31));
    Put("key", name);
    Put("target.id", GetDlgCtrlID(target));
    Put("target.class", ClassOf(target));
    return kDone;
  }
  return kUsage;
}

// A window message posted to the sheet, as Windows would send it (a session change, a timer);
// then, for watchMs, whether the sheet was minimized at any moment and how it ended (a test
// could not see a minimize that lasts half a second between two separate calls).
int PostToSheet(int message, int wParam, int watchMs) {
  HWND sheet = FindWizard();
  if (!sheet) return Fail("no wizard");
  if (!PostMessageW(sheet, static_cast<UINT>(message), static_cast<WPARAM>(wParam), 0)) return Fail("PostMessage failed");
  Put("posted", message);
  bool seen = false;
  for (int waited = 0; waited < watchMs; waited += 10) {
    seen |= IsIconic(sheet) != FALSE;
    Sleep(10);
  }
  Put("watch.minimized", seen ? 1 : 0);
  Put("watch.end.minimized", IsIconic(sheet) ? 1 : 0);
  return kDone;
}

int Focus(int id) {
  HWND sheet = FindWizard();
  if (!sheet) return Fail("no wizard");
  HWND page = CurrentPage(sheet);
  bool sheetButton = false;
  for (int b : kSheetButtons) sheetButton |= b == id;
  HWND owner = sheetButton ? sheet : page;
  HWND control = GetDlgItem(owner, id);
  if (!control) return Fail("no such control");
  PostMessageW(owner, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  Put("focus", id);
  return kDone;
}

void PrintBox(HWND box) {
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  Put("box.pid", pid);
  Put("box.caption", TextOf(box));
  Put("box.text", TextOf(BoxText(box)));
  int n = 0;
  for (HWND control : ChildrenOf(box)) {
    if (ClassOf(control) != L"Button" || !IsWindowVisible(control)) continue;
    std::string key = "box.button." + std::to_string(n++) + ".";
    Put(key + "id", GetDlgCtrlID(control));
    Put(key + "text", TextOf(control));
    LRESULT checked = 0;
    if (IsCheckable(control) && Send(control, BM_GETCHECK, 0, 0, &checked)) Put(key + "checked", checked);
  }
  RECT frame{};
  GetWindowRect(box, &frame);
  Put("box.width", frame.right - frame.left);
  Put("box.height", frame.bottom - frame.top);
  fflush(stdout);
}

// Clicks a check box of the box, which stays open.
int Toggle(int id) {
  HWND box = FindBox();
  HWND control = box ? GetDlgItem(box, id) : nullptr;
  if (!control || !IsCheckable(control)) return Fail("the box has no such check box");
  LRESULT checked = 0;
  if (!Send(control, BM_CLICK, 0, 0, nullptr) || !Send(control, BM_GETCHECK, 0, 0, &checked))
    return Fail("the check box did not answer");
  Put("checked", checked);
  return kDone;
}

int WaitBox(DWORD timeoutMs) {
  HWND box = PollFor(timeoutMs, FindBox);
  if (!box) return Fail("time-out: no message box");
  PrintBox(box);
  return kDone;
}

int Answer(int id) {
  constexpr DWORD kBoxGoneMs = 10000;
  HWND box = FindBox();
  if (!box) return Fail("no message box");
  HWND button = GetDlgItem(box, id);
  if (!button || !IsWindowVisible(button)) return Fail("the message box has no such button");
  // Posted, then awaited: the click may start work that opens the next window.
  PostMessageW(button, BM_CLICK, 0, 0);
  bool gone = PollFor(kBoxGoneMs, [box] { return !IsWindow(box) || !IsWindowVisible(box); });
  if (!gone) return Fail("the message box is still there");
  Put("answered", id);
  return kDone;
}

int WaitGone(DWORD timeoutMs) {
  bool gone = PollFor(timeoutMs, [] { return FindWizard() == nullptr; });
  if (!gone) return Fail("time-out: the wizard is still there");
  Put("gone", 1);
  return kDone;
}

// --- tooltips: TTM_* messages carry pointers, which must point into the wizard's process -----

class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process), p_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer() {
    if (p_) VirtualFreeEx(process_, p_, 0, MEM_RELEASE);
  }
  void* get() const { return p_; }
  bool Write(const void* data, size_t size, size_t offset = 0) const {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, static_cast<char*>(p_) + offset, data, size, &done) && done == size;
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, static_cast<char*>(p_) + offset, data, size, &done) && done == size;
  }

 private:
  HANDLE process_;
  void* p_;
};

// The tool of a tooltip window registered for the control (by window, by id on the page, or on the
// control itself).
bool FindTool(HWND tip, const RemoteBuffer& remote, HWND page, HWND control, int id, TOOLINFOW* tool) {
  LRESULT count = 0;
  if (!Send(tip, TTM_GETTOOLCOUNT, 0, 0, &count)) return false;
  for (LRESULT i = 0; i < count; ++i) {
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    LRESULT ok = 0;
    if (!remote.Write(&info, sizeof(info)) ||
        !Send(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote.get()), &ok) || !ok ||
        !remote.Read(&info, sizeof(info)))
      continue;
    bool byWindow = (info.uFlags & TTF_IDISHWND) && reinterpret_cast<HWND>(info.uId) == control;
    bool byId = !(info.uFlags & TTF_IDISHWND) && info.hwnd == page && info.uId == static_cast<UINT_PTR>(id);
    bool onControl = !(info.uFlags & TTF_IDISHWND) && info.hwnd == control;  // a tool of the control's own
    if (byWindow || byId || onControl) {
      *tool = info;
      return true;
    }
  }
  return false;
}

int Tooltip(int id) {
  constexpr size_t kTextChars = 1024;  // the most a tooltip copies out
  HWND sheet = FindWizard();
  HWND page = sheet ? CurrentPage(sheet) : nullptr;
  HWND control = page ? GetDlgItem(page, id) : nullptr;
  if (!control) return Fail("no such control on the active page");
  DWORD pid = 0;
  GetWindowThreadProcessId(sheet, &pid);
  platform::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return Fail("cannot open the wizard's process");
  const size_t textOffset = sizeof(TOOLINFOW);
  RemoteBuffer remote(process.get(), textOffset + kTextChars * sizeof(wchar_t));
  if (!remote.get()) return Fail("cannot reserve memory in the wizard's process");

  for (HWND tip : TopLevelWindows()) {
    DWORD tipPid = 0;
    GetWindowThreadProcessId(tip, &tipPid);
    if (tipPid != pid || ClassOf(tip) != TOOLTIPS_CLASSW) continue;
    TOOLINFOW tool{};
    if (!FindTool(tip, remote, page, control, id, &tool)) continue;
    std::vector<wchar_t> text(kTextChars, L'\0');
    tool.cbSize = sizeof(tool);
    tool.lpszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.get()) + textOffset);
    if (!remote.Write(&tool, sizeof(tool)) || !remote.Write(text.data(), text.size() * sizeof(wchar_t), textOffset) ||
        !Send(tip, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(remote.get()), nullptr) ||
        !remote.Read(text.data(), text.size() * sizeof(wchar_t), textOffset))
      return Fail("cannot read the tooltip text");
    text.back() = L'\0';
    Put("tooltip", text.data());
    fflush(stdout);
    return kDone;
  }
  return Fail("no tooltip tool for that control");
}

// --- layout: what each visible control of the active page needs, for the clipping checks -------

// The text each visible control of the page needs, measured inside the wizard's process by
// wizmeasure.dll (beside this program), which a message hook on the page's thread loads there.
bool MeasureInWizard(HWND page, std::map<HWND, SIZE>* needs) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dll = self;
  dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"wizmeasure.dll";
  platform::UniqueHandle section(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMeasureBytes, kMeasureSection));
  platform::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, kMeasureDone));
  HMODULE library = LoadLibraryW(dll.c_str());
  auto hook = library ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, kMeasureHook)))
                      : nullptr;
  if (!section || !done || !hook) return false;
  HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, hook, library, GetWindowThreadProcessId(page, nullptr));
  if (!installed) return false;
  PostMessageW(page, RegisterWindowMessageW(kMeasureMessage), 0, 0);
  const bool answered = WaitForSingleObject(done.get(), kSendTimeoutMs * 2) == WAIT_OBJECT_0;
  UnhookWindowsHookEx(installed);
  if (!answered) return false;
  const char* text = static_cast<const char*>(MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, kMeasureBytes));
  if (!text) return false;
  unsigned long long window = 0;
  long cx = 0, cy = 0;
  int used = 0;
  for (const char* at = text; sscanf(at, "%llx %ld %ld\n%n", &window, &cx, &cy, &used) == 3; at += used)
    (*needs)[reinterpret_cast<HWND>(static_cast<UINT_PTR>(window))] = SIZE{cx, cy};
  UnmapViewOfFile(text);
  return true;
}

int Layout() {
  HWND sheet = FindWizard();
  HWND page = sheet ? CurrentPage(sheet) : nullptr;
  if (!page) return Fail("no wizard page");
  std::map<HWND, SIZE> needs;
  if (!MeasureInWizard(page, &needs)) return Fail("wizmeasure.dll did not answer from the wizard's process");
  RECT client{}, frame{};
  GetClientRect(page, &client);
  Put("page.size", std::to_wstring(client.right) + L"," + std::to_wstring(client.bottom));
  GetWindowRect(sheet, &frame);
  Put("sheet.rect", RectText(frame));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(sheet, MONITOR_DEFAULTTONEAREST), &monitor))
    Put("screen.work", RectText(monitor.rcWork));
  HDC screen = GetDC(nullptr);
  Put("dpi", GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  int n = 0;
  for (HWND control : ChildrenOf(page)) {
    if (!IsWindowVisible(control)) continue;
    std::string key = "control." + std::to_string(n++) + ".";
    const std::wstring cls = ClassOf(control);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
    Put(key + "id", GetDlgCtrlID(control));
    Put(key + "class", cls);
    Put(key + "rect", RectText(place));
    Put(key + "text", TextOf(control));
    RECT inside{};
    GetClientRect(control, &inside);
    if (auto need = needs.find(control); need != needs.end())
      Put(key + "need", std::to_wstring(need->second.cx) + L"," + std::to_wstring(need->second.cy));
    Put(key + "inside", std::to_wstring(inside.right) + L"," + std::to_wstring(inside.bottom));
  }
  fflush(stdout);
  return kDone;
}

// A tooltip window of the wizard's process that is visible: what a person sees beside the field.
int ShownTip() {
  HWND sheet = FindWizard();
  if (!sheet) return Fail("no wizard");
  DWORD pid = 0;
  GetWindowThreadProcessId(sheet, &pid);
  for (HWND tip : TopLevelWindows()) {
    DWORD tipPid = 0;
    GetWindowThreadProcessId(tip, &tipPid);
    RECT place{};
    if (tipPid != pid || ClassOf(tip) != TOOLTIPS_CLASSW || !IsWindowVisible(tip) || !GetWindowRect(tip, &place)) continue;
    Put("tip.text", TextOf(tip));
    Put("tip.rect", RectText(place));
    return kDone;
  }
  return Fail("no tooltip shown");
}

bool Number(const wchar_t* text, long* value) {
  wchar_t* end = nullptr;
  *value = wcstol(text, &end, 10);
  return *text && *end == L'\0' && *value >= 0;
}

int Usage() {
  fprintf(stderr,
          "usage: wizdriver state | wait-control ID[,ID] MS | press back|next|finish|cancel | key enter|tab|escape\n"
          "       | focus ID | post MSG WPARAM [MS] | wait-box MS | answer ID | wait-gone MS | tooltip ID | layout\n"
          "       | shown-tip | toggle ID | type ID TEXT | select ID TEXT\n");
  return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  std::wstring command = argv[1];
  long a = 0, b = 0;
  int result = kUsage;
  if (command == L"state" && argc == 2) {
    HWND sheet = FindWizard();
    result = sheet ? PrintState(sheet) : Fail("no wizard");
  } else if (std::vector<int> ids; command == L"wait-control" && argc == 4 && Numbers(argv[2], &ids) &&
                                     Number(argv[3], &b)) {
    result = WaitControl(ids, b);
  } else if (command == L"press" && argc == 3) {
    result = Press(argv[2]);
  } else if (command == L"key" && argc == 3) {
    result = Key(argv[2]);
  } else if (command == L"post" && (argc == 4 || argc == 5) && Number(argv[2], &a) && Number(argv[3], &b)) {
    long watch = 0;
    if (argc == 5 && !Number(argv[4], &watch)) return Usage();
    result = PostToSheet(a, b, watch);
  } else if (command == L"focus" && argc == 3 && Number(argv[2], &a)) {
    result = Focus(a);
  } else if (command == L"wait-box" && argc == 3 && Number(argv[2], &a)) {
    result = WaitBox(a);
  } else if (command == L"answer" && argc == 3 && Number(argv[2], &a)) {
    result = Answer(a);
  } else if (command == L"wait-gone" && argc == 3 && Number(argv[2], &a)) {
    result = WaitGone(a);
  } else if (command == L"tooltip" && argc == 3 && Number(argv[2], &a)) {
    result = Tooltip(a);
  } else if (command == L"layout" && argc == 2) {
    result = Layout();
  } else if (command == L"shown-tip" && argc == 2) {
    result = ShownTip();
  } else if (command == L"toggle" && argc == 3 && Number(argv[2], &a)) {
    result = Toggle(a);
  } else if (command == L"type" && argc == 4 && Number(argv[2], &a)) {
    result = Type(a, argv[3]);
  } else if (command == L"select" && argc == 4 && Number(argv[2], &a)) {
    result = Select(a, argv[3]);
  }
  fflush(stdout);
  return result == kUsage ? Usage() : result;
}
