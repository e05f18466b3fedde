// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/grid/grid_index_code.h"

#include <climits>

#include "core/exceptions.h"

namespace {
constexpr const char* kSGridIndexOutOfRange = "Grid index out of range";
}

TGridIndexCode TGridIndexCode::ForRow(int row) {
  // Row INT_MAX would need the code INT_MAX + 1.
  if (row < 0 || row == INT_MAX) Raise<EInvalidGridOperation>(kSGridIndexOutOfRange);
  return TGridIndexCode(row + 1);
}

TGridIndexCode TGridIndexCode::ForColumn(int column) {
  if (column < 0) Raise<EInvalidGridOperation>(kSGridIndexOutOfRange);
  return TGridIndexCode(~column);
}

TGridIndexCode::TCell TGridIndexCode::CellOfEntry(int entry) const {
  switch (GetKind()) {
    case Kind::gkRow:
      return {entry, Row()};
    case Kind::gkColumn:
      return {Column(), entry};
    case Kind::gkDetached:
      break;
  }
  return {-1, -1};
}

int TGridIndexCode::EntryCount(int colCount, int rowCount) const {
  switch (GetKind()) {
    case Kind::gkRow:
      return colCount;
    case Kind::gkColumn:
      return rowCount;
    case Kind::gkDetached:
      break;
  }
  return 0;
}
