// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11/scene.h"

#include <map>

#include "base/cp1252.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace scene {
namespace {

constexpr char kTopClass[] = "TessivoSceneTop";
constexpr char kChildClass[] = "TessivoSceneChild";
enum Role { kRoleTop = 0, kRoleFills = 1, kRoleLines = 2, kRoleText = 3 };

std::map<int, int> g_paints;

void PaintTop(HDC dc) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, 0, kClientHeight - 6, nullptr);
  LineTo(dc, kClientWidth, kClientHeight - 6);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintFills(HDC dc) {
  RECT all{0, 0, 120, 80};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  DeleteObject(white);
  RECT red{10, 10, 60, 40};
  HBRUSH redBrush = CreateSolidBrush(RGB(200, 30, 40));
  FillRect(dc, &red, redBrush);
  DeleteObject(redBrush);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
  HBRUSH yellow = CreateSolidBrush(RGB(250, 220, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, yellow);
  Rectangle(dc, 70, 10, 110, 70);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(yellow);
}

void PaintLines(HDC dc) {
  RECT all{0, 0, 160, 80};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  DeleteObject(white);
  HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 128, 0));
  HGDIOBJ old = SelectObject(dc, thin);
  MoveToEx(dc, 5, 5, nullptr);
  LineTo(dc, 150, 70);
  SelectObject(dc, old);
  DeleteObject(thin);
  HPEN wide = CreatePen(PS_SOLID, 3, RGB(128, 0, 128));
  old = SelectObject(dc, wide);
  const POINT zigzag[] = {{10, 60}, {40, 20}, {70, 60}, {100, 20}, {130, 60}};
  Polyline(dc, zigzag, 5);
  SelectObject(dc, old);
  DeleteObject(wide);
  RECT focus{100, 40, 150, 75};
  DrawFocusRect(dc, &focus);
}

void PaintText(HWND hwnd, HDC dc) {
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  RECT raised{5, 5, 60, 30};
  DrawEdge(dc, &raised, EDGE_RAISED, BF_RECT);
  RECT sunken{70, 5, 125, 30};
  DrawEdge(dc, &sunken, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
  LOGFONT lf{};
  lf.lfHeight = -11;
  lf.lfWeight = FW_NORMAL;
  const char face[] = "MS Sans Serif";
  for (std::size_t i = 0; i < sizeof face; ++i) lf.lfFaceName[i] = face[i];
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const auto harmonic = "Campo harmônico"_cp;
  TextOut(dc, 5, 36, harmonic.c_str(), static_cast<int>(harmonic.view().size()));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(10, 36, 106));
  SetTextColor(dc, RGB(255, 255, 255));
  const auto notes = "Dó Ré Mi"_cp;
  RECT box{150, 34, 230, 50};
  ExtTextOut(dc, 152, 36, ETO_OPAQUE, &box, notes.c_str(), static_cast<UINT>(notes.view().size()), nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT line{5, 56, 250, 74};
  DrawText(dc, "&Tonalidade", -1, &line, DT_LEFT | DT_SINGLELINE);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

LRESULT SceneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      const int role = GetWindowLong(hwnd, GWL_ID);
      switch (role) {
        case kRoleFills:
          PaintFills(dc);
          break;
        case kRoleLines:
          PaintLines(dc);
          break;
        case kRoleText:
          PaintText(hwnd, dc);
          break;
        default:
          PaintTop(dc);
          break;
      }
      EndPaint(hwnd, &ps);
      ++g_paints[role];
      return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEWHEEL:
      Log().Add(hwnd, msg, wParam, lParam);
      return 0;
    case WM_CLOSE:
      Log().Add(hwnd, msg, wParam, lParam);
      return 0;  // the test decides when the scene goes
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

testwin::Log& Log() {
  static testwin::Log log;
  return log;
}

void Reset() {
  Log().Clear();
  g_paints.clear();
  WNDCLASS top{};
  top.lpfnWndProc = SceneProc;
  top.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  top.lpszClassName = kTopClass;
  RegisterClass(&top);  // fails harmlessly when the class survived a restart
  WNDCLASS child{};
  child.lpfnWndProc = SceneProc;
  child.lpszClassName = kChildClass;
  RegisterClass(&child);
}

Windows Create() {
  Windows w;
  w.top =
      CreateWindowEx(0, kTopClass, "Cena"_cp.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                     kLeft, kTop, kClientWidth, kClientHeight, nullptr, nullptr, nullptr, nullptr);
  if (w.top == nullptr) return w;
  auto child = [&](int role, DWORD exStyle, int x, int y, int cx, int cy) {
    return CreateWindowEx(exStyle, kChildClass, "", WS_CHILD | WS_VISIBLE, x, y, cx, cy, w.top,
                          reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(role)), nullptr, nullptr);
  };
  w.fills = child(kRoleFills, 0, 10, 10, 120, 80);
  w.lines = child(kRoleLines, 0, 140, 10, 160, 80);
  w.text = child(kRoleText, WS_EX_CLIENTEDGE, 10, 100, 300, 84);
  ShowWindow(w.top, SW_SHOWNORMAL);
  UpdateWindow(w.top);
  return w;
}

bool FullyPainted() {
  return g_paints[kRoleTop] > 0 && g_paints[kRoleFills] > 0 && g_paints[kRoleLines] > 0 &&
         g_paints[kRoleText] > 0;
}

}  // namespace scene
