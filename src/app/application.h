// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: owns the main window, runs the event loop, shows every error that leaves
// an event handler (the error display) and takes the program down when the main window closes.
//
// It also owns a hidden, zero-size top-level window, the application window: the owner of the main
// window and of every error box, and the carrier of the program's title (what the taskbar shows).
#pragma once

#include <exception>
#include <new>
#include <string>

#include "base/types.h"
#include "core/component.h"

class TCustomForm;
class Exception;

class TApplication : public TComponent {
 public:
  // Registers and creates the application window; raises EOutOfResources when its class cannot be
  // registered.
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  // The title: derived from the program file's name at start; lives in the application window's
  // text once that exists.
  std::string AppTitle() const;
  void SetAppTitle(const std::string& title);
  HWND AppWindow() const { return m_appWindow; }
  HICON Icon() const { return m_icon; }

  // Creates a form of class F into `variable` (set before the constructor runs, cleared when it
  // raises); the first form becomes the main form.
  template <typename F>
  void LaunchForm(F*& variable) {
    // The variable holds the form before its constructor runs, so handlers that run while it is
    // being built can reach it.
    void* memory = ::operator new(sizeof(F));
    variable = static_cast<F*>(memory);
    F* form = nullptr;
    try {
      form = new (memory) F(this);
    } catch (...) {
      ::operator delete(memory);
      variable = nullptr;
      throw;
    }
    FormLaunched(form);
  }

  TCustomForm* PrimaryForm() const { return m_primaryForm; }
  bool ShowPrimaryForm() const { return m_showPrimaryForm; }
  void SetShowPrimaryForm(bool value) { m_showPrimaryForm = value; }
  bool QuitRequested() const { return m_quitRequested; }
  bool LoopRunning() const { return m_loopRunning; }
  bool Active() const { return m_active; }

  void RunLoop();
  void PumpOnce();
  bool TakeMessage(MSG& msg);
  void IdleStep(const MSG& msg);
  void RequestQuit();

  // The error display.
  void ReportException(TComponent* sender);
  void ShowErrorBox(const Exception& error);
  int AppMessageBox(const std::string& text, const std::string& caption, UINT flags);
  void ShowForeignErrorBox(const std::exception_ptr& error);

  void EndApplication();
  // The box for an error that escaped the start-up sequence (task-modal, no owner).
  static void ShowFatalError(const std::exception_ptr& error);

  // Minimising and restoring the whole program (the application window's system commands).
  void Minimize();
  void Restore();
  // Shows or hides the application window as the forms show or hide.
  void UpdateVisible();

 private:
  static LRESULT StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  void FormLaunched(TCustomForm* form);
  void CreateAppWindow(const std::string& title);

  HWND m_appWindow = nullptr;
  HICON m_icon = nullptr;
  TCustomForm* m_primaryForm = nullptr;
  bool m_showPrimaryForm = true;
  bool m_quitRequested = false;
  bool m_loopRunning = false;
  bool m_active = false;
  bool m_endRegistered = false;
  TComponent* m_mouseControl = nullptr;
  UINT m_focusMessage = 0;
  WNDPROC m_defAppProc = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
};

// The one application object.
extern TApplication* Application;

// The title rule: the program file's name after its last directory separator, cut at its first
// ".", every character after the first in lower case (cp1252-aware). "C:\\APP\\ABC.EXE" -> "Abc".
std::string TitleFromModulePath(const std::string& path);
