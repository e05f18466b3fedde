// SPDX-License-Identifier: GPL-3.0-or-later
// Painting of the grid: lines first (one PolyPolyline per set of lines), then the cells of the
// four areas (fixed x fixed, scrolling columns x fixed rows, fixed columns x scrolling rows,
// scrolling x scrolling), then whatever the cells leave uncovered. Every paint lays the grid out
// again and relies on the canvas's clip to keep drawing inside the region to repaint.
#include "controls/grid/custom_grid.h"

#include <algorithm>
#include <vector>

#include "platform/gdi.h"

// Point and stroke buffers for one paint, sized from the visible cell counts.
struct TCustomGrid::TLineBuffers {
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  int maxStrokes = 0;
};

namespace {

bool Intersects(const RECT& a, const RECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

}  // namespace

void TCustomGrid::Paint() {
  TCanvas& canvas = Canvas();
  HDC dc = canvas.Handle();
  if (!dc) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  RECT clip{};
  GetClipBox(dc, &clip);
  RECT client = ClientRect();
  const TGridAxisDrawInfo& h = info.Horz;
  const TGridAxisDrawInfo& v = info.Vert;

  if (h.EffectiveLineWidth > 0 || v.EffectiveLineWidth > 0) {
    TLineBuffers buffers;
    // Lines lie at least a pixel apart (cells without size get none of their own), so no set
    // has more of them than the client area has pixels across.
    long long visible =
        std::max<long long>(static_cast<long long>(h.LastFullVisibleCell) - m_topLeft.X + m_fixedCols,
                            static_cast<long long>(v.LastFullVisibleCell) - m_topLeft.Y + m_fixedRows);
    long long pixels = std::max(client.right, client.bottom);
    buffers.maxStrokes = static_cast<int>(std::min(visible, pixels) + 3);
    buffers.points.resize(static_cast<std::size_t>(buffers.maxStrokes) * 2);
    buffers.counts.assign(static_cast<std::size_t>(buffers.maxStrokes), 2);
    // Ordinary lines are silver, unless the cells themselves are silver.
    TColor lineColor = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
    const TGridOptions fixedVert = goFixedVertLine;
    const TGridOptions fixedHorz = goFixedHorzLine;
    DrawLines(buffers, info, 0, 0, h.FixedBoundary, v.FixedBoundary, 0, 0, fixedVert, fixedHorz, clBlack,
              m_fixedColor);
    DrawLines(buffers, info, h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary, m_topLeft.X, 0, fixedVert,
              fixedHorz, clBlack, m_fixedColor);
    DrawLines(buffers, info, 0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary, 0, m_topLeft.Y, fixedVert,
              fixedHorz, clBlack, m_fixedColor);
    DrawLines(buffers, info, h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary, m_topLeft.X,
              m_topLeft.Y, goVertLine, goHorzLine, lineColor, Color());
  }

  bool focused = CountsAsFocused();
  int scrollX = h.FixedBoundary - m_colOffset;
  DrawCells(info, clip, focused, 0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary, m_fixedColor, gdFixed);
  DrawCells(info, clip, focused, m_topLeft.X, 0, scrollX, 0, h.GridBoundary, v.FixedBoundary, m_fixedColor,
            gdFixed);
  DrawCells(info, clip, focused, 0, m_topLeft.Y, 0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary,
            m_fixedColor, gdFixed);
  DrawCells(info, clip, focused, m_topLeft.X, m_topLeft.Y, scrollX, v.FixedBoundary, h.GridBoundary,
            v.GridBoundary, Color(), 0);

  if ((m_options & goRowSelect) && m_defaultDrawing && Focused()) {
    canvas.DrawFocusRect(BoxRect(Selection(), TCellLines::clWithout));
  }

  // What the cells leave uncovered, right of the last column and below the last row.
  if (h.GridBoundary < client.right) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect({h.GridBoundary, 0, client.right, v.GridBoundary});
  }
  if (v.GridBoundary < client.bottom) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect({0, v.GridBoundary, client.right, client.bottom});
  }
}

void TCustomGrid::DrawLines(TLineBuffers& buffers, const TGridDrawInfo& info, int x0, int y0, int x1, int y1,
                            int firstCol, int firstRow, TGridOptions vertOption, TGridOptions horzOption,
                            TColor onColor, TColor offColor) {
  if (x0 == x1 || y0 == y1) return;
  TColor vertColor = (m_options & vertOption) ? onColor : offColor;
  TColor horzColor = (m_options & horzOption) ? onColor : offColor;
  auto vertical = [&] {
    if (info.Horz.EffectiveLineWidth > 0) {
      DrawLineSet(buffers, info.Horz, x0, x1, y0, y1, firstCol, TGridAxis::gaColumns, vertColor);
    }
  };
  auto horizontal = [&] {
    if (info.Vert.EffectiveLineWidth > 0) {
      DrawLineSet(buffers, info.Vert, y0, y1, x0, x1, firstRow, TGridAxis::gaRows, horzColor);
    }
  };
  if (m_options & horzOption) {
    vertical();
    horizontal();
  } else {
    horizontal();
    vertical();
  }
}

void TCustomGrid::DrawLineSet(TLineBuffers& buffers, const TGridAxisDrawInfo& axis, int startBound,
                              int endBound, int crossStart, int crossEnd, int firstCell, TGridAxis kind,
                              TColor color) {
  const bool vertical = kind == TGridAxis::gaColumns;
  const int lineWidth = axis.EffectiveLineWidth;
  int cell = firstCell;
  int pos = startBound + lineWidth / 2 + axis.Extent(cell);
  int strokes = 0;
  while (strokes < buffers.maxStrokes && pos <= endBound + lineWidth && cell <= axis.LastFullVisibleCell) {
    POINT* p = &buffers.points[static_cast<std::size_t>(strokes) * 2];
    if (vertical) {
      p[0] = {pos, crossStart};
      p[1] = {pos, crossEnd};
    } else {
      p[0] = {crossStart, pos};
      p[1] = {crossEnd, pos};
    }
    ++strokes;
    // Hidden cells (no extent) get no line of their own; when every cell is hidden, only the
    // first line is drawn.
    if (axis.Uniform() && axis.DefaultExtent <= 0) break;
    do {
      ++cell;
    } while (cell <= axis.LastFullVisibleCell && axis.Extent(cell) <= 0);
    pos += axis.Extent(cell) + lineWidth;
  }
  if (strokes == 0) return;
  TCanvas& canvas = Canvas();
  canvas.Pen().SetStyle(TPenStyle::psSolid);
  canvas.Pen().SetWidth(m_gridLineWidth);
  canvas.Pen().SetColor(color);
  canvas.PolyPolyline(buffers.points.data(), buffers.counts.data(), strokes);
}

void TCustomGrid::DrawCells(const TGridDrawInfo& info, const RECT& clip, bool focused, int firstCol,
                            int firstRow, int startX, int startY, int stopX, int stopY, TColor color,
                            TGridDrawState base) {
  // Cells of no size show nothing; a huge count of them is not walked.
  if ((info.Horz.Uniform() && info.Horz.DefaultExtent <= 0) ||
      (info.Vert.Uniform() && info.Vert.DefaultExtent <= 0)) {
    return;
  }
  TCanvas& canvas = Canvas();
  const TGridRect sel = Selection();
  const bool edges = m_defaultDrawing && Ctl3D() && (m_options & (goFixedVertLine | goFixedHorzLine));
  int y = startY;
  for (int row = firstRow; y < stopY && row < m_rowCount; ++row) {
    int rowHeight = info.Vert.Extent(row);
    int x = startX;
    for (int col = firstCol; x < stopX && col < m_colCount; ++col) {
      int colWidth = info.Horz.Extent(col);
      RECT where{x, y, x + colWidth, y + rowHeight};
      x += colWidth + info.Horz.EffectiveLineWidth;
      if (where.left >= where.right || where.top >= where.bottom || !Intersects(where, clip)) {
        continue;
      }
      TGridDrawState state = base;
      if (focused && col == m_current.X && row == m_current.Y) state |= gdFocused;
      if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) {
        state |= gdSelected;
      }
      // The in-place editor covers the focused cell while it edits.
      if ((state & gdFocused) && (m_options & goEditing) && m_editorMode) continue;
      if (m_defaultDrawing) {
        canvas.Font().Assign(Font());
        if ((state & gdSelected) &&
            (!(state & gdFocused) || (m_options & (goDrawFocusSelected | goRowSelect)))) {
          canvas.Brush().SetColor(clHighlight);
          canvas.Font().SetColor(clHighlightText);
        } else {
          canvas.Brush().SetColor(color);
        }
        canvas.FillRect(where);
      }
      DrawCell(col, row, where, state);
      if (edges && (state & gdFixed)) {
        UINT after = ((m_options & goFixedVertLine) ? BF_RIGHT : 0u) |
                     ((m_options & goFixedHorzLine) ? BF_BOTTOM : 0u);
        UINT before =
            ((m_options & goFixedVertLine) ? BF_LEFT : 0u) | ((m_options & goFixedHorzLine) ? BF_TOP : 0u);
        RECT edge = where;
        if (!(after & BF_RIGHT)) {
          edge.right += m_gridLineWidth;
        } else if (!(after & BF_BOTTOM)) {
          edge.bottom += m_gridLineWidth;
        }
        DrawEdge(canvas.Handle(), &edge, BDR_RAISEDINNER, after);
        DrawEdge(canvas.Handle(), &edge, BDR_RAISEDINNER, before);
      }
      if (m_defaultDrawing && (state & gdFocused) &&
          (m_options & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor) &&
          !(m_options & goRowSelect)) {
        canvas.DrawFocusRect(where);
      }
    }
    y += rowHeight + info.Vert.EffectiveLineWidth;
  }
}
