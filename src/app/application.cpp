// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "app/form.h"
#include "app/screen.h"
#include "base/cp1252.h"
#include "core/event_boundary.h"
#include "core/exceptions.h"
#include "core/win_control.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/window.h"

TApplication* Application = nullptr;

namespace {

constexpr const char* kAppClassName = "TApplication";
constexpr const char* kErrorCreatingWindowClass = "Error creating window class";
constexpr UINT kApplicationErrorString = 65200;
constexpr DWORD kAppWindowStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kShowAppWindow = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;
constexpr UINT kHideAppWindow = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW;
// Posted to the application window after it took the focus, to pass the focus on.
constexpr UINT kPassFocus = WM_USER + 0x0F0;

struct DisabledWindows {
  HWND skip = nullptr;
  std::vector<HWND> list;
};

BOOL DisableTopLevel(HWND hwnd, LPARAM lParam) {
  auto* state = reinterpret_cast<DisabledWindows*>(lParam);
  if (hwnd != state->skip && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    state->list.push_back(hwnd);
    EnableWindow(hwnd, FALSE);
  }
  return TRUE;
}

// The windows disabled while the application window is (a modal box is open), to enable again.
std::vector<HWND> g_disabledByApp;

struct FirstTopLevel {
  HWND skip = nullptr;
  HWND found = nullptr;
  HWND topmostFound = nullptr;
};

BOOL FindFirstTopLevel(HWND hwnd, LPARAM lParam) {
  auto* state = reinterpret_cast<FirstTopLevel*>(lParam);
  if (hwnd == state->skip || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return TRUE;
  if (GetWindowLong(hwnd, GWL_EXSTYLE) & static_cast<LONG>(WS_EX_TOPMOST)) {
    if (!state->topmostFound) state->topmostFound = hwnd;
    return TRUE;
  }
  state->found = hwnd;
  return FALSE;
}

// The program file's name without its directory, as the fatal box names the module.
std::string ProgramFileName() {
  char path[256] = {};
  GetModuleFileName(nullptr, path, sizeof(path));
  std::string name = path;
  std::size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The class of an error object that is not one of the program's, as readable as the language
// lets it be ("std::runtime_error"); "Exception" when it is no standard exception either.
std::string ForeignClassName(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    int status = 0;
    char* readable = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
    std::string name = readable ? readable : typeid(e).name();
    std::free(readable);
    return name;
  } catch (...) {
    // Not a C++ standard exception: it has no type name to tell.
    return "Exception";
  }
}

std::string LoadProgramString(UINT id, int bufferSize, const char* fallback) {
  std::vector<char> buffer(static_cast<std::size_t>(bufferSize), '\0');
  int n = LoadString(GetModuleHandle(nullptr), id, buffer.data(), bufferSize);
  return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string(fallback);
}

}  // namespace

std::string TitleFromModulePath(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  for (std::size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(text::LowerCp1252(static_cast<unsigned char>(name[i])));
  }
  return name;
}

// ---- Construction ----------------------------------------------------------------------------
TApplication::TApplication() : TComponent(nullptr) {
  Application = this;
  SetExceptionReporter([this](TComponent* sender) { ReportException(sender); });
  m_icon = LoadIcon(GetModuleHandle(nullptr), "MAINICON");
  if (!m_icon) m_icon = LoadIconById(nullptr, IDI_APPLICATION);
  char path[256] = {};
  GetModuleFileName(nullptr, path, sizeof(path));
  try {
    CreateAppWindow(TitleFromModulePath(path));
  } catch (...) {
    // No destructor runs for an object whose construction failed: nothing may keep pointing at it
    // when the fatal path ends the program.
    SetExceptionReporter({});
    if (m_icon) DestroyIcon(m_icon);
    if (Application == this) Application = nullptr;
    throw;
  }
  m_showPrimaryForm = true;
}

TApplication::~TApplication() {
  MarkDestroying();
  DestroyComponents();
  if (m_appWindow) {
    SetWindowLongPtr(m_appWindow, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(m_defAppProc));
    DestroyWindow(m_appWindow);
  }
  if (m_icon) DestroyIcon(m_icon);
  SetExceptionReporter({});
  if (Application == this) Application = nullptr;
}

void TApplication::CreateAppWindow(const std::string& title) {
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, kAppClassName, &existing)) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kAppClassName;
    if (!RegisterClass(&wc)) Raise<EOutOfResources>(kErrorCreatingWindowClass);
  }
  m_appWindow =
      CreateWindowEx(0, kAppClassName, title.c_str(), kAppWindowStyle, GetSystemMetrics(SM_CXSCREEN) / 2,
                     GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!m_appWindow) Raise<EOutOfResources>(kErrorCreatingWindowClass);
  m_defAppProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(m_appWindow, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(&StaticWndProc)));
  SendMessage(m_appWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SetClassLongPtr(m_appWindow, GCLP_HICON, reinterpret_cast<std::uintptr_t>(m_icon));
  if (HMENU menu = GetSystemMenu(m_appWindow, FALSE)) {
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  }
  m_focusMessage = kPassFocus;
}

std::string TApplication::AppTitle() const {
  char buffer[256] = {};
  int n = GetWindowText(m_appWindow, buffer, sizeof(buffer));
  return std::string(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
}

void TApplication::SetAppTitle(const std::string& title) { SetWindowText(m_appWindow, title.c_str()); }

void TApplication::FormLaunched(TCustomForm* form) {
  form->AfterConstruction();
  if (!m_primaryForm) {
    form->HandleNeeded();
    m_primaryForm = form;
    FreeNotification(form);
  }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == m_mouseControl) m_mouseControl = nullptr;
  if (component == m_primaryForm) m_primaryForm = nullptr;
}

// ---- The loop --------------------------------------------------------------------------------
void TApplication::RunLoop() {
  m_loopRunning = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{m_loopRunning};
  m_endRegistered = true;
  if (!m_primaryForm) return;
  STARTUPINFO info{};
  GetStartupInfo(&info);
  int show = (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
  if (show == SW_SHOWMAXIMIZED) m_primaryForm->SetWindowState(TWindowState::wsMaximized);
  if (show == SW_SHOWMINNOACTIVE) m_primaryForm->SetWindowState(TWindowState::wsMinimized);
  if (m_showPrimaryForm) {
    if (m_primaryForm->WindowState() == TWindowState::wsMinimized) {
      Minimize();
    } else {
      m_primaryForm->SetVisible(true);
    }
  }
  while (!m_quitRequested) {
    try {
      PumpOnce();
    } catch (...) {
      ReportException(this);
    }
  }
}

void TApplication::PumpOnce() {
  MSG msg{};
  if (!TakeMessage(msg)) IdleStep(msg);
}

bool TApplication::TakeMessage(MSG& msg) {
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    m_quitRequested = true;
    return true;
  }
  // Keyboard messages pass the focused control and the form's dialog-key step first.
  if (msg.message >= WM_KEYDOWN && msg.message <= WM_KEYLAST && TWinControl::RouteKeyMessage(msg)) {
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessage(&msg);
  return true;
}

void TApplication::IdleStep(const MSG&) {
  POINT pt{};
  TControl* under = nullptr;
  if (GetCursorPos(&pt)) {
    if (TWinControl* win = TWinControl::FindControl(WindowFromPoint(pt))) {
      POINT client = pt;
      ScreenToClient(win->Handle(), &client);
      under = win->ControlAtPos(client, true);
      if (!under) under = win;
    }
  }
  if (under != m_mouseControl) {
    TControl* capture = CaptureControl();
    auto* old = dynamic_cast<TControl*>(m_mouseControl);
    // The new control is remembered before it is told, so a handler that fails is reported once,
    // not again at every idle moment while the mouse stays there.
    if (m_mouseControl) RemoveFreeNotification(m_mouseControl);
    m_mouseControl = under;
    if (under) FreeNotification(under);
    if (old && (!capture || capture == old)) old->Perform(CM_MOUSELEAVE);
    if (under && m_mouseControl == under && (!capture || capture == under)) under->Perform(CM_MOUSEENTER);
  }
  WaitMessage();
}

void TApplication::RequestQuit() { PostQuitMessage(0); }

// ---- The error display -----------------------------------------------------------------------
void TApplication::ReportException(TComponent*) {
  // A drag, a pressed button or an open list ends before the box appears.
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  std::exception_ptr current = std::current_exception();
  try {
    std::rethrow_exception(current);
  } catch (const Exception& e) {
    ShowErrorBox(e);
  } catch (...) {
    ShowForeignErrorBox(current);
  }
}

void TApplication::ShowErrorBox(const Exception& error) {
  AppMessageBox(ErrorBoxText(error.Message()), AppTitle(), MB_OK | MB_ICONSTOP);
}

void TApplication::ShowForeignErrorBox(const std::exception_ptr& error) {
  // Not one of the program's errors: its class is named, in the program's own module, with no
  // address and no message.
  std::string text = FatalErrorText(ForeignClassName(error), ProgramFileName(), 0, "");
  AppMessageBox(text, LoadProgramString(kApplicationErrorString, 64, "Application Error"),
                MB_OK | MB_ICONSTOP);
}

int TApplication::AppMessageBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND active = GetActiveWindow();
  // With one monitor the box always opens where the active window is; the application window
  // needs no move.
  HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
  HMONITOR appMonitor = MonitorFromWindow(m_appWindow, MONITOR_DEFAULTTONEAREST);
  RECT saved{};
  bool moved = false;
  if (activeMonitor != appMonitor) {
    MONITORINFO info{};
    if (GetMonitorInfo(activeMonitor, &info)) {
      GetWindowRect(m_appWindow, &saved);
      SetWindowPos(m_appWindow, nullptr, (info.rcMonitor.left + info.rcMonitor.right) / 2,
                   (info.rcMonitor.top + info.rcMonitor.bottom) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
      moved = true;
    }
  }
  DisabledWindows disabled;
  EnumThreadWindows(GetCurrentThreadId(), DisableTopLevel, reinterpret_cast<LPARAM>(&disabled));
  HWND focus = GetFocus();
  int result = 0;
  try {
    result = MessageBox(m_appWindow, text.c_str(), caption.c_str(), flags);
  } catch (...) {
    result = 0;
  }
  if (moved) {
    SetWindowPos(m_appWindow, nullptr, (saved.left + saved.right) / 2, (saved.top + saved.bottom) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  }
  for (HWND hwnd : disabled.list) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (IsWindow(active)) SetActiveWindow(active);
  if (IsWindow(focus)) SetFocus(focus);
  return result;
}

void TApplication::ShowFatalError(const std::exception_ptr& error) {
  std::string className = "Exception";
  std::string message;
  const void* address = nullptr;
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    className = e.ClassName();
    message = e.Message();
    address = e.RaiseAddress();
  } catch (...) {
    className = ForeignClassName(error);
  }
  std::string module = ProgramFileName();
#ifdef __EMSCRIPTEN__
  // The page knows no raise address (core/exceptions.h) and no dladdr: the box names the
  // program's module at offset 0.
  const auto offset = reinterpret_cast<std::uintptr_t>(address);
#else
  std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(address) - 0x1000;
  Dl_info info{};
  if (address && dladdr(address, &info) && info.dli_fbase) {
    offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    if (info.dli_fname) {
      module = text::Utf8ToCp1252(info.dli_fname);
      std::size_t slash = module.find_last_of('/');
      if (slash != std::string::npos) module = module.substr(slash + 1);
    }
  }
#endif
  std::string text = FatalErrorText(className, module, offset, message);
  std::string title = LoadProgramString(kApplicationErrorString, 64, "Application Error");
  MessageBox(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

void TApplication::EndApplication() {
  if (m_appWindow) ShowOwnedPopups(m_appWindow, FALSE);
  MarkDestroying();
  DestroyComponents();
  m_primaryForm = nullptr;
}

// ---- Minimising, restoring, visibility -------------------------------------------------------
void TApplication::UpdateVisible() {
  if (!m_appWindow) return;
  bool anyVisible = false;
  if (Screen) {
    for (TCustomForm* form : Screen->Forms()) {
      if (form->Visible() && form->HandleAllocated()) anyVisible = true;
    }
  }
  SetWindowPos(m_appWindow, nullptr, 0, 0, 0, 0, anyVisible ? kShowAppWindow : kHideAppWindow);
}

void TApplication::Minimize() {
  if (IsIconic(m_appWindow)) return;
  SetActiveWindow(m_appWindow);
  if (m_primaryForm && m_primaryForm->Enabled() && m_primaryForm->HandleAllocated()) {
    SetWindowPos(m_appWindow, m_primaryForm->Handle(), m_primaryForm->Left(), m_primaryForm->Top(),
                 m_primaryForm->Width(), 0, SWP_SHOWWINDOW);
  }
  CallWindowProc(m_defAppProc, m_appWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TApplication::Restore() {
  if (!IsIconic(m_appWindow)) return;
  SetActiveWindow(m_appWindow);
  CallWindowProc(m_defAppProc, m_appWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
  SetWindowPos(m_appWindow, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0,
               0, SWP_NOZORDER | SWP_SHOWWINDOW);
  if (m_primaryForm && m_primaryForm->WindowState() == TWindowState::wsMinimized &&
      !m_primaryForm->Visible()) {
    m_primaryForm->SetWindowState(TWindowState::wsNormal);
    m_primaryForm->SetVisible(true);
  }
  if (Screen && Screen->ActiveControl() && Screen->ActiveControl()->HandleAllocated()) {
    SetFocus(Screen->ActiveControl()->Handle());
  }
}

// ---- The application window's procedure ------------------------------------------------------
LRESULT TApplication::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!Application || Application->m_appWindow != hwnd) return DefWindowProc(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  RunAtBoundary(Application, [&] { result = Application->AppWndProc(msg, wParam, lParam); });
  return result;
}

LRESULT TApplication::AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  auto def = [&] { return CallWindowProc(m_defAppProc, m_appWindow, msg, wParam, lParam); };
  switch (msg) {
    case WM_CLOSE:
      if (m_primaryForm) m_primaryForm->RequestClose();
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          Minimize();
          return 0;
        case SC_RESTORE:
          Restore();
          return 0;
        default:
          return def();
      }
    case WM_ENDSESSION:
      if (wParam) m_quitRequested = true;
      return 0;
    case WM_ENABLE:
      if (!wParam) {
        DisabledWindows disabled;
        disabled.skip = m_appWindow;
        EnumThreadWindows(GetCurrentThreadId(), DisableTopLevel, reinterpret_cast<LPARAM>(&disabled));
        g_disabledByApp = std::move(disabled.list);
      } else {
        for (HWND hwnd : g_disabledByApp) {
          if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
        }
        g_disabledByApp.clear();
      }
      return def();
    case WM_SETFOCUS: {
      LRESULT r = def();
      PostMessage(m_appWindow, kPassFocus, 0, 0);
      return r;
    }
    case kPassFocus:
      if (!IsIconic(m_appWindow) && GetFocus() == m_appWindow) {
        FirstTopLevel first;
        first.skip = m_appWindow;
        EnumThreadWindows(GetCurrentThreadId(), FindFirstTopLevel, reinterpret_cast<LPARAM>(&first));
        HWND target = first.found ? first.found : first.topmostFound;
        if (target) SetFocus(target);
      }
      return 0;
    case WM_ACTIVATEAPP:
      m_active = wParam != 0;
      return def();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(m_icon);
    default:
      if (IsCtlColorMessage(msg)) {
        if (TWinControl* control = TWinControl::FindControl(reinterpret_cast<HWND>(lParam))) {
          return control->Perform(CN_BASE + msg, wParam, lParam);
        }
      }
      return def();
  }
}
