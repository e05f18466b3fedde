// SPDX-License-Identifier: GPL-3.0-or-later
// The answers about what an object does and holds: its actions, the choice among its children,
// and the table and its cells.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/atspi/object_server.h"

namespace atspi {

using a11y::ObjectRef;
using a11y::Provider;

// ---- Action, Selection ---------------------------------------------------------------------------

bool ObjectServer::Action(const Call& call) {
  const DbusApi& api = m_connection.Api();
  const std::vector<std::string> actions = call.provider->ActionsOf(call.object.child);
  const int count = static_cast<int>(actions.size());
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  Reader r(api, call.message);
  if ((m == "GetName" || m == "GetLocalizedName" || m == "GetDescription" || m == "GetKeyBinding") &&
      Reader::Has(api, call.message, "i")) {
    const int i = r.Int();
    const bool named = (m == "GetName" || m == "GetLocalizedName") && i >= 0 && i < count;
    w.Str(named ? actions[static_cast<std::size_t>(i)] : "");
  } else if (m == "GetActions" && Reader::Has(api, call.message, "")) {
    w.Array("(sss)", [&](Writer& a) {
      for (const std::string& name : actions) a.Struct([&](Writer& s) { s.Str(name).Str("").Str(""); });
    });
  } else if (m == "DoAction" && Reader::Has(api, call.message, "i")) {
    const int i = r.Int();
    const bool known = i >= 0 && i < count;
    if (known) a11y::Request(call.object, a11y::RequestKind::kDoAction, i);
    w.Bool(known);
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

bool ObjectServer::Selection(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Provider& provider = *call.provider;
  if (!provider.HasSelection(call.object.child)) return false;
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  Reader r(api, call.message);
  if (m == "GetSelectedChild" && Reader::Has(api, call.message, "i")) {
    const int i = r.Int();
    const std::vector<ObjectRef> selected = provider.SelectedChildrenOf(call.object.child);
    w.Ref(i >= 0 && i < static_cast<int>(selected.size()) ? RefOf(selected[static_cast<std::size_t>(i)])
                                                          : WireRef{"", kNullPath});
  } else if (m == "SelectChild" && Reader::Has(api, call.message, "i")) {
    const int i = r.Int();
    const bool known = i >= 0 && i < static_cast<int>(provider.ChildrenOf(call.object.child).size());
    if (known) a11y::Request(call.object, a11y::RequestKind::kSelectChild, i);
    w.Bool(known);
  } else if (m == "IsChildSelected" && Reader::Has(api, call.message, "i")) {
    const int i = r.Int();
    const std::vector<ObjectRef> children = provider.ChildrenOf(call.object.child);
    const std::vector<ObjectRef> selected = provider.SelectedChildrenOf(call.object.child);
    w.Bool(i >= 0 && i < static_cast<int>(children.size()) &&
           std::find(selected.begin(), selected.end(), children[static_cast<std::size_t>(i)]) !=
               selected.end());
  } else if (((m == "DeselectSelectedChild" || m == "DeselectChild") &&
              Reader::Has(api, call.message, "i")) ||
             ((m == "SelectAll" || m == "ClearSelection") && Reader::Has(api, call.message, ""))) {
    w.Bool(false);  // a one-choice list always has its one choice
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

// ---- Table, TableCell ------------------------------------------------------------------------------

bool ObjectServer::Table(const Call& call) {
  const DbusApi& api = m_connection.Api();
  Provider& provider = *call.provider;
  const std::optional<a11y::TableShape> shape = provider.TableOf(call.object.child);
  if (!shape) return false;
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  Reader r(api, call.message);
  const a11y::ChildId table = call.object.child;
  auto cellSelected = [&](int row, int column) {
    const ObjectRef cell = provider.CellAt(table, row, column);
    Provider* cp = cell.hwnd != nullptr ? a11y::ProviderOf(cell.hwnd) : nullptr;
    return cp != nullptr && cp->StatesOf(cell.child).Has(a11y::State::kSelected);
  };
  auto refOrNull = [&](ObjectRef o) { return o.hwnd != nullptr ? RefOf(o) : WireRef{"", kNullPath}; };
  if (m == "GetAccessibleAt" && Reader::Has(api, call.message, "ii")) {
    const int row = r.Int();
    const int column = r.Int();
    w.Ref(refOrNull(a11y::CellIndex(*shape, row, column) >= 0 ? provider.CellAt(table, row, column)
                                                              : ObjectRef{}));
  } else if (m == "GetIndexAt" && Reader::Has(api, call.message, "ii")) {
    const int row = r.Int();
    w.Int(a11y::CellIndex(*shape, row, r.Int()));
  } else if (m == "GetRowAtIndex" && Reader::Has(api, call.message, "i")) {
    w.Int(a11y::RowOfIndex(*shape, r.Int()));
  } else if (m == "GetColumnAtIndex" && Reader::Has(api, call.message, "i")) {
    w.Int(a11y::ColumnOfIndex(*shape, r.Int()));
  } else if (m == "GetRowDescription" && Reader::Has(api, call.message, "i")) {
    w.Str("");
  } else if (m == "GetColumnDescription" && Reader::Has(api, call.message, "i")) {
    const int column = r.Int();
    const ObjectRef header =
        column >= 0 && column < shape->columns ? provider.ColumnHeaderOf(table, column) : ObjectRef{};
    Provider* hp = header.hwnd != nullptr ? a11y::ProviderOf(header.hwnd) : nullptr;
    w.Text(hp != nullptr ? hp->NameOf(header.child) : std::string());
  } else if ((m == "GetRowExtentAt" || m == "GetColumnExtentAt") && Reader::Has(api, call.message, "ii")) {
    const int row = r.Int();
    w.Int(a11y::CellIndex(*shape, row, r.Int()) >= 0 ? 1 : 0);
  } else if (m == "GetRowHeader" && Reader::Has(api, call.message, "i")) {
    w.Ref({"", kNullPath});
  } else if (m == "GetColumnHeader" && Reader::Has(api, call.message, "i")) {
    const int column = r.Int();
    w.Ref(refOrNull(column >= 0 && column < shape->columns ? provider.ColumnHeaderOf(table, column)
                                                           : ObjectRef{}));
  } else if ((m == "GetSelectedRows" || m == "GetSelectedColumns") && Reader::Has(api, call.message, "")) {
    w.Array("i", [](Writer&) {});
  } else if ((m == "IsRowSelected" || m == "IsColumnSelected" || m == "AddRowSelection" ||
              m == "AddColumnSelection" || m == "RemoveRowSelection" || m == "RemoveColumnSelection") &&
             Reader::Has(api, call.message, "i")) {
    w.Bool(false);  // a cell is chosen, never a whole row or column
  } else if (m == "IsSelected" && Reader::Has(api, call.message, "ii")) {
    const int row = r.Int();
    const int column = r.Int();
    w.Bool(a11y::CellIndex(*shape, row, column) >= 0 && cellSelected(row, column));
  } else if (m == "GetRowColumnExtentsAtIndex" && Reader::Has(api, call.message, "i")) {
    const int index = r.Int();
    const int row = a11y::RowOfIndex(*shape, index);
    const int column = a11y::ColumnOfIndex(*shape, index);
    const bool valid = row >= 0;
    w.Bool(valid)
        .Int(row)
        .Int(column)
        .Int(valid ? 1 : 0)
        .Int(valid ? 1 : 0)
        .Bool(valid && cellSelected(row, column));
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

bool ObjectServer::TableCell(const Call& call) {
  const DbusApi& api = m_connection.Api();
  const std::optional<a11y::CellPosition> cell = call.provider->CellOf(call.object.child);
  if (!cell) return false;
  const std::string& m = call.member;
  DBusMessage* reply = api.dbus_message_new_method_return(call.message);
  if (reply == nullptr) return true;
  Writer w(api, reply);
  if (m == "GetRowColumnSpan" && Reader::Has(api, call.message, "")) {
    w.Bool(true).Int(cell->row).Int(cell->column).Int(1).Int(1);
  } else if (m == "GetColumnHeaderCells" && Reader::Has(api, call.message, "")) {
    Provider* tp = a11y::ProviderOf(cell->table.hwnd);
    const ObjectRef header =
        tp != nullptr ? tp->ColumnHeaderOf(cell->table.child, cell->column) : ObjectRef{};
    w.Array("(so)", [&](Writer& a) {
      if (header.hwnd != nullptr && !(header == call.object)) a.Ref(RefOf(header));
    });
  } else if (m == "GetRowHeaderCells" && Reader::Has(api, call.message, "")) {
    w.Array("(so)", [](Writer&) {});
  } else {
    api.dbus_message_unref(reply);
    return false;
  }
  Reply(reply);
  return true;
}

}  // namespace atspi
