// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/screen.h"

#include <algorithm>

#include "platform/gdi.h"
#include "platform/window.h"

TScreen* Screen = nullptr;

TScreen::TScreen() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc) {
    m_pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    DeleteDC(dc);
  }
  if (m_pixelsPerInch <= 0) m_pixelsPerInch = 96;
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

void TScreen::AddForm(TCustomForm* form) { m_forms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  m_forms.erase(std::remove(m_forms.begin(), m_forms.end(), form), m_forms.end());
  if (m_activeForm == form) m_activeForm = nullptr;
}
