// SPDX-License-Identifier: GPL-3.0-or-later
// The real program on the headless display: the main window as the user first sees it (place, size,
// frame, title, the seven labels in their fonts) and the ways of closing it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/label.h"
#include "app/main_form.h"
#include "base/cp1252.h"
#include "core/exceptions.h"
#include "core/win_control.h"
#include "platform/window.h"
#include "support/app_run.h"

namespace {

using apptest::RunOptions;
using apptest::RunProgram;

// The window's design: where each label lies and what it says, in 96-dpi pixels.
struct LabelDesign {
  const char* name;
  int left;
  int top;
  const char* captionUtf8;  // the whole caption, or its start (Label6 ends in a web address)
  bool large;               // the label's own 19-pixel font
};

const LabelDesign kLabels[] = {
    {"Label1", 712, 232, "Desenvolvido por Orvandel - Fevereiro 2010", false},
    {"Label2", 88, 48, "Escolha o campo harmônico", true},
    {"Label3", 88, 80, "Aperte o play", true},
    {"Label4", 88, 112, "Clique em um retângulo branco", true},
    {"Label5", 808, 40, "Software didático e livre", false},
    {"Label6", 648, 256, "Comentários e sugestões: ", false},
    {"Label7", 363, 8, "Lumarest", true},
};

TLabel* LabelOf(TForm1* form, int index) {
  TLabel* labels[] = {form->Label1, form->Label2, form->Label3, form->Label4,
                      form->Label5, form->Label6, form->Label7};
  return labels[index];
}

bool Offers(HMENU menu, UINT command) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (GetMenuItemID(menu, i) == command) return true;
  }
  return false;
}

TEST(AppWindow, OpensAt188x107WithADialogFrameAndTheTitle) {
  bool looked = false;
  auto result = RunProgram(
      {}, {
              [&] {
                looked = true;
                ASSERT_NE(Form1, nullptr);
                ASSERT_NE(Application, nullptr);
                HWND form = Form1->Handle();
                HWND app = Application->AppWindow();
                EXPECT_TRUE(IsWindowVisible(form));
                RECT client{};
                GetClientRect(form, &client);
                EXPECT_EQ(client.right - client.left, 981);
                EXPECT_EQ(client.bottom - client.top, 277);
                EXPECT_EQ(Form1->Left(), 188);
                EXPECT_EQ(Form1->Top(), 107);
                EXPECT_EQ(Form1->ClientWidth(), 981);
                EXPECT_EQ(Form1->ClientHeight(), 277);

                // What the desktop is told: place, title, a fixed frame that only moves and closes.
                const headless::NativeWindow* native = headless::Current().Native(form);
                ASSERT_NE(native, nullptr);
                EXPECT_EQ(native->state, backend::NativeShowState::Normal);
                EXPECT_EQ(native->rect.left, 188);
                EXPECT_EQ(native->rect.top, 107);
                EXPECT_EQ(native->rect.right - native->rect.left, 981);
                EXPECT_EQ(native->rect.bottom - native->rect.top, 277);
                EXPECT_EQ(native->props.titleUtf8, "Tessivo - Versão 1.0");
                EXPECT_EQ(native->props.iconNameUtf8, "headless_tests")
                    << "the taskbar shows the program file's name";
                EXPECT_TRUE(native->props.fixedSize);
                EXPECT_TRUE(native->props.hasTitle);
                EXPECT_TRUE(native->props.hasSystemMenu);
                EXPECT_TRUE(native->props.canMove);
                EXPECT_TRUE(native->props.canClose);
                EXPECT_FALSE(native->props.canMinimize);
                EXPECT_FALSE(native->props.canMaximize);
                EXPECT_FALSE(native->props.canResize);
                EXPECT_FALSE(native->props.dialog);
                EXPECT_EQ(native->props.transientFor, app);
                // The program sets no caption icon on a dialog frame ...
                EXPECT_EQ(SendMessage(form, WM_GETICON, ICON_BIG, 0), 0)
                    << "a dialog frame has no icon of its own";

                EXPECT_EQ(static_cast<DWORD>(GetWindowLong(form, GWL_STYLE)) & ~WS_VISIBLE, 0x86C80000u);
                EXPECT_EQ(static_cast<DWORD>(GetWindowLong(form, GWL_EXSTYLE)), 0x101u);
                EXPECT_EQ(GetWindow(form, GW_OWNER), app);
                char caption[256] = {};
                GetWindowText(form, caption, sizeof caption);
                EXPECT_EQ(std::string(caption), text::Utf8ToCp1252("Tessivo - Versão 1.0"));

                HMENU menu = GetSystemMenu(form, FALSE);
                ASSERT_NE(menu, nullptr);
                EXPECT_TRUE(Offers(menu, SC_MOVE));
                EXPECT_TRUE(Offers(menu, SC_CLOSE));
                for (UINT gone : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_TASKLIST}) {
                  EXPECT_FALSE(Offers(menu, gone)) << std::hex << gone;
                }
                EXPECT_EQ(GetMenuItemCount(menu), 2) << "Move and Close, no separator";

                // The application window: hidden-size, centred, carrying the title and the icon.
                char title[256] = {};
                GetWindowText(app, title, sizeof title);
                EXPECT_EQ(std::string(title), "headless_tests");
                EXPECT_EQ(Application->AppTitle(), "headless_tests");
                EXPECT_EQ(static_cast<DWORD>(GetWindowLong(app, GWL_STYLE)) & ~WS_VISIBLE, 0x84CA0000u);
                EXPECT_TRUE(IsWindowVisible(app)) << "shown with the main window";
                RECT appRect{};
                GetWindowRect(app, &appRect);
                EXPECT_EQ(appRect.left, 1280 / 2);
                EXPECT_EQ(appRect.top, 1024 / 2);
                EXPECT_EQ(appRect.right - appRect.left, 0);
                EXPECT_EQ(appRect.bottom - appRect.top, 0);
                HMENU appMenu = GetSystemMenu(app, FALSE);
                ASSERT_NE(appMenu, nullptr);
                EXPECT_TRUE(Offers(appMenu, SC_RESTORE));
                EXPECT_TRUE(Offers(appMenu, SC_MINIMIZE));
                EXPECT_TRUE(Offers(appMenu, SC_CLOSE));
                EXPECT_FALSE(Offers(appMenu, SC_MOVE));
                EXPECT_FALSE(Offers(appMenu, SC_SIZE));
                EXPECT_FALSE(Offers(appMenu, SC_MAXIMIZE));
                const headless::NativeWindow* appNative = headless::Current().Native(app);
                ASSERT_NE(appNative, nullptr);
                EXPECT_FALSE(appNative->props.iconArgb.empty()) << "the program icon MAINICON";
                // ... but the application window is never shown, so the main window carries the taskbar
                // entry, and the desktop is given the program's icon for it.
                EXPECT_EQ(native->props.iconArgb, appNative->props.iconArgb) << "the taskbar shows MAINICON";

                EXPECT_EQ(GetActiveWindow(), form);
                // The first control in tab order (the chord grid) has the focus; a window without
                // windowed controls keeps it itself.
                TWinControl* first = nullptr;
                for (int i = 0; i < Form1->ControlCount(); ++i) {
                  auto* win = dynamic_cast<TWinControl*>(Form1->Controls(i));
                  if (win && win->TabOrder() == 0) first = win;
                }
                if (first) {
                  EXPECT_EQ(first->Name(), "StringGrid1");
                  EXPECT_EQ(GetFocus(), first->Handle());
                  EXPECT_EQ(Form1->ActiveControl(), first);
                } else {
                  EXPECT_EQ(GetFocus(), form);
                }
                EXPECT_EQ(Form1->KeyIndex(), 0);
                apptest::RequestCloseOf(form);
              },
          });
  EXPECT_TRUE(looked);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(result.stepsLeft, 0u);
}

TEST(AppWindow, LabelsShowTheirCaptionsInTheirFontsOnTheButtonFace) {
  auto result = RunProgram(
      {}, {
              [&] {
                ASSERT_NE(Form1, nullptr);
                HWND form = Form1->Handle();
                const std::uint32_t face = apptest::ButtonFace();
                EXPECT_EQ(face, 0xD4D0C8u);
                std::vector<RECT> rects;
                for (int i = 0; i < 7; ++i) {
                  const LabelDesign& d = kLabels[i];
                  SCOPED_TRACE(d.name);
                  TLabel* label = LabelOf(Form1, i);
                  ASSERT_NE(label, nullptr);
                  const std::string expectedStart = text::Utf8ToCp1252(d.captionUtf8);
                  const std::string caption = label->Caption();
                  ASSERT_EQ(caption.compare(0, expectedStart.size(), expectedStart), 0) << caption;
                  if (i != 5) {
                    EXPECT_EQ(caption, expectedStart);
                  } else {
                    EXPECT_GT(caption.size(), expectedStart.size()) << "the publisher's address follows";
                  }
                  EXPECT_EQ(label->Left(), d.left);
                  EXPECT_EQ(label->Top(), d.top);
                  const int height = d.large ? -19 : -11;
                  EXPECT_EQ(label->Font().Height(), height);
                  EXPECT_EQ(label->Font().Name(), "MS Sans Serif");
                  EXPECT_EQ(label->ParentFont(), !d.large);
                  // Auto size: the caption's extent in the label's font.
                  SIZE extent = apptest::MeasureCaption(caption, "MS Sans Serif", height);
                  EXPECT_EQ(label->Width(), extent.cx);
                  EXPECT_EQ(label->Height(), extent.cy);
                  if (!d.large) {
                    EXPECT_EQ(label->Height(), 13) << "the substitute font keeps the 13-pixel text height";
                  }
                  RECT r{d.left, d.top, d.left + static_cast<int>(extent.cx),
                         d.top + static_cast<int>(extent.cy)};
                  rects.push_back(r);
                  // Exactly the caption drawn at the label's corner in its font, black on the face.
                  auto shown = apptest::PresentedArea(form, r);
                  auto expected = apptest::ReferenceText(caption, "MS Sans Serif", height, r.right - r.left,
                                                         r.bottom - r.top, 0x000000, face);
                  EXPECT_EQ(shown, expected) << apptest::SavePicture(form, d.name);
                  EXPECT_GT(apptest::CountOtherThan(form, r, face), 20) << "the caption is drawn";
                }
                // No two labels overlap, and nothing but the face lies outside them and the windowed
                // controls (which paint themselves).
                std::vector<RECT> windowed;
                for (int i = 0; i < Form1->ControlCount(); ++i) {
                  if (Form1->Controls(i)->IsWindowed()) windowed.push_back(Form1->Controls(i)->BoundsRect());
                }
                for (std::size_t a = 0; a < rects.size(); ++a) {
                  for (std::size_t b = a + 1; b < rects.size(); ++b) {
                    bool apart = rects[a].right <= rects[b].left || rects[b].right <= rects[a].left ||
                                 rects[a].bottom <= rects[b].top || rects[b].bottom <= rects[a].top;
                    EXPECT_TRUE(apart) << kLabels[a].name << " and " << kLabels[b].name;
                  }
                }
                int stray = 0;
                for (int y = 0; y < 277; ++y) {
                  for (int x = 0; x < 981; ++x) {
                    bool inLabel = false;
                    for (const auto* list : {&rects, &windowed}) {
                      for (const RECT& r : *list) {
                        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) inLabel = true;
                      }
                    }
                    if (!inLabel && apptest::Pixel(form, x, y) != face) ++stray;
                  }
                }
                EXPECT_EQ(stray, 0) << apptest::SavePicture(form, "background");
                apptest::RequestCloseOf(form);
              },
          });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

// Every way the user can close the program ends it normally.
enum class CloseWay { CloseButton, AltF4, SystemMenuClose, TaskbarMenuClose, SessionEnd };

class AppClosing : public ::testing::TestWithParam<CloseWay> {};

TEST_P(AppClosing, EndsTheProgramWithExitCodeZero) {
  bool sawWindowGoAway = false;
  auto result =
      RunProgram({}, {
                         [&] {
                           ASSERT_NE(Form1, nullptr);
                           HWND form = Form1->Handle();
                           HWND app = Application->AppWindow();
                           switch (GetParam()) {
                             case CloseWay::CloseButton:
                               apptest::RequestCloseOf(form);
                               break;
                             case CloseWay::AltF4:
                               headless::KeyDown(headless::keys::kAltL);
                               headless::PressKey(headless::keys::kF4);
                               headless::KeyUp(headless::keys::kAltL);
                               break;
                             case CloseWay::SystemMenuClose:
                               PostMessage(form, WM_SYSCOMMAND, SC_CLOSE, 0);
                               break;
                             case CloseWay::TaskbarMenuClose:
                               PostMessage(app, WM_CLOSE, 0, 0);
                               break;
                             case CloseWay::SessionEnd:
                               SendMessage(app, WM_ENDSESSION, TRUE, 0);
                               break;
                           }
                         },
                         // Only reached if the program is still running: a failure, and the run is ended.
                         [&] {
                           sawWindowGoAway = true;
                           if (Form1) apptest::RequestCloseOf(Form1->Handle());
                         },
                     });
  EXPECT_FALSE(sawWindowGoAway) << "the program did not end";
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.boxes.empty());
  EXPECT_EQ(result.stepsLeft, 1u);
}

INSTANTIATE_TEST_SUITE_P(App, AppClosing,
                         ::testing::Values(CloseWay::CloseButton, CloseWay::AltF4, CloseWay::SystemMenuClose,
                                           CloseWay::TaskbarMenuClose, CloseWay::SessionEnd));

// A window manager's close is refused while an error box is open: the window is disabled.
TEST(AppWindow, CloseIsRefusedWhileAnErrorBoxIsOpen) {
  bool boxOpen = false;
  bool closedEarly = false;
  RunOptions options;
  options.boxHandler = [&](const headless::MessageBoxRecord&) { boxOpen = true; };
  auto result =
      RunProgram(options, {
                              [&] {
                                ASSERT_NE(Form1, nullptr);
                                Form1->Label7->OnClick = [](TComponent*) { throw Exception("Teste"); };
                                POINT p = Form1->Label7->ClientToScreen({5, 5});
                                headless::Click(p.x, p.y);
                              },
                              [&] {
                                // Inside the box's own loop: the main window takes nothing.
                                ASSERT_TRUE(boxOpen);
                                HWND form = Form1->Handle();
                                EXPECT_FALSE(IsWindowEnabled(form));
                                apptest::RequestCloseOf(form);
                              },
                              [&] {
                                closedEarly = Form1 == nullptr;
                                // The user answers the box.
                                headless::KeyDown(headless::keys::kReturn, "\r");
                                headless::KeyUp(headless::keys::kReturn);
                              },
                              [&] {
                                ASSERT_NE(Form1, nullptr);
                                EXPECT_TRUE(IsWindowEnabled(Form1->Handle()));
                                EXPECT_EQ(GetActiveWindow(), Form1->Handle());
                                apptest::RequestCloseOf(Form1->Handle());
                              },
                          });
  EXPECT_FALSE(closedEarly);
  ASSERT_EQ(result.boxes.size(), 1u);
  EXPECT_EQ(result.boxes[0].text, "Teste.");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.stepsLeft, 0u);
}

}  // namespace
