// SPDX-License-Identifier: GPL-3.0-or-later
// What the program's windows tell a screen reader, and what they let it do.
//
// A window answers for itself: asked with WM_GETOBJECT (lParam kObjectIdClient), its procedure
// returns a pointer to an a11y::Provider it owns (a11y::AnswerGetObject), or 0 to let the platform
// answer from the window's class, style and text. One provider answers for the window (child
// kSelf) and for the parts of it that are not windows of their own (a label on a form, a cell of
// the grid, a button of the player): each such part is numbered by the window with a ChildId > 0
// that stays the same while the part exists. Providers are asked afresh for every request, so a
// screen reader never holds one across windows being destroyed.
//
// Texts cross this boundary in the program's own encoding (cp1252), as window texts do; the bridge
// converts them, so no text of the program reaches the bus unconverted.
//
// The windows tell of changes with NotifyEvent: it costs one test while no screen reader listens.
// What a provider is asked to do (an action, a choice, an edit, the focus) is never done inside
// the request: Request queues it and the reader is answered at once; the message loop then runs
// it as it runs a timer, so the work (a message box and all) happens as a click's would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/types.h"

namespace a11y {

// Roles, numbered as the accessibility protocol numbers them.
enum class Role : std::uint32_t {
  kInvalid = 0,
  kAlert = 2,
  kColumnHeader = 10,
  kComboBox = 11,
  kDialog = 16,
  kFiller = 20,
  kFrame = 23,
  kLabel = 29,
  kList = 31,
  kListItem = 32,
  kPanel = 39,
  kPushButton = 43,
  kTable = 55,
  kTableCell = 56,
  kText = 61,
  kApplication = 75,
  kEntry = 79,
};

// States, numbered as the protocol numbers their bits.
enum class State : unsigned {
  kActive = 1,
  kCollapsed = 5,
  kDefunct = 6,
  kEditable = 7,
  kEnabled = 8,
  kExpandable = 9,
  kExpanded = 10,
  kFocusable = 11,
  kFocused = 12,
  kModal = 16,
  kSelectable = 22,
  kSelected = 23,
  kSensitive = 24,
  kShowing = 25,
  kSingleLine = 26,
  kVisible = 30,
  kManagesDescendants = 31,
  kSelectableText = 38,
};

class StateSet {
 public:
  StateSet() = default;
  StateSet(std::initializer_list<State> states) {
    for (State s : states) Set(s);
  }
  StateSet& Set(State s, bool on = true) {
    const std::uint64_t bit = std::uint64_t{1} << static_cast<unsigned>(s);
    m_bits = on ? (m_bits | bit) : (m_bits & ~bit);
    return *this;
  }
  bool Has(State s) const { return ((m_bits >> static_cast<unsigned>(s)) & 1U) != 0; }
  std::uint64_t Bits() const { return m_bits; }
  friend bool operator==(const StateSet&, const StateSet&) = default;

 private:
  std::uint64_t m_bits = 0;
};

// A part of a window: 0 is the window itself, a positive number one of its windowless parts.
using ChildId = int;
inline constexpr ChildId kSelf = 0;

// One accessible object. A null window names the application (the root of the tree).
struct ObjectRef {
  HWND hwnd = nullptr;
  ChildId child = kSelf;
  friend bool operator==(const ObjectRef&, const ObjectRef&) = default;
};

struct TableShape {
  int rows = 0;
  int columns = 0;
};

struct CellPosition {
  ObjectRef table;
  int row = 0;
  int column = 0;
};

// Row-major numbering of a table's cells, shared by the bridge and the tables: index = row *
// columns + column. Out of range gives -1 (a reader asking past the table gets "none").
int CellIndex(TableShape shape, int row, int column);
int RowOfIndex(TableShape shape, int index);
int ColumnOfIndex(TableShape shape, int index);

// What a window answers. Every method takes the part it is asked about; a part the window no
// longer has is answered as well as possible (empty, no children), never with a fault.
class Provider {
 public:
  Provider() = default;
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  virtual ~Provider() = default;

  virtual Role RoleOf(ChildId child) const = 0;
  virtual std::string NameOf(ChildId child) const = 0;  // cp1252
  virtual StateSet StatesOf(ChildId child) const = 0;
  // Screen coordinates.
  virtual RECT BoundsOf(ChildId child) const = 0;
  // In reading order: windowless parts of this window and child windows alike.
  virtual std::vector<ObjectRef> ChildrenOf(ChildId child) const = 0;
  // A null ObjectRef (the default) keeps the usual rule of ParentRef; a window shown apart from
  // its owner (a drop-down list) names the object it belongs to.
  virtual ObjectRef ParentOf(ChildId /*child*/) const { return {}; }
  // The part that has the keyboard focus when the window has it (the grid's current cell); the
  // platform tells a reader of the focus there.
  virtual ChildId FocusedChild() const { return kSelf; }
  // Whether the part still exists (a screen reader may ask about one that went).
  virtual bool Exists(ChildId child) const { return child == kSelf; }

  // Text (nullopt: the part has none).
  virtual std::optional<std::string> TextOf(ChildId /*child*/) const { return std::nullopt; }
  virtual int CaretOf(ChildId /*child*/) const { return -1; }
  virtual bool EditableText(ChildId /*child*/) const { return false; }

  // Actions by name ("click", "press"); DoAction is called from the message loop.
  virtual std::vector<std::string> ActionsOf(ChildId /*child*/) const { return {}; }
  virtual void DoAction(ChildId /*child*/, int /*index*/) {}

  // Selection of children (a list's items): `index` counts in ChildrenOf(child).
  virtual bool HasSelection(ChildId /*child*/) const { return false; }
  virtual std::vector<ObjectRef> SelectedChildrenOf(ChildId /*child*/) const { return {}; }
  virtual void SelectChild(ChildId /*child*/, int /*index*/) {}

  // Table parts.
  virtual std::optional<TableShape> TableOf(ChildId /*child*/) const { return std::nullopt; }
  virtual ObjectRef CellAt(ChildId /*table*/, int /*row*/, int /*column*/) const { return {}; }
  virtual ObjectRef ColumnHeaderOf(ChildId /*table*/, int /*column*/) const { return {}; }
  virtual std::optional<CellPosition> CellOf(ChildId /*child*/) const { return std::nullopt; }

  // Requests from the message loop (never inside the request): edit a text, take the focus.
  virtual void SetTextContents(ChildId /*child*/, const std::string& /*text*/) {}
  virtual void GrabFocus(ChildId /*child*/) {}
};

// The parent of an object: what its provider names, else for a part its window, for a child
// window its parent window and for a top-level window the application (a null ObjectRef).
ObjectRef ParentRef(ObjectRef object);

// The application's children, as a reader lists them: the shown top-level windows that belong to
// no other object, oldest first. A window of no size (the one that carries the program's name for
// the taskbar) is nothing a user sees, so nothing a reader is told of.
std::vector<ObjectRef> TopLevels();

// WM_GETOBJECT's lParam for the window's own provider.
inline constexpr LPARAM kObjectIdClient = -4;
// What a window procedure returns for WM_GETOBJECT when it has a provider.
inline LRESULT AnswerGetObject(Provider* provider) { return reinterpret_cast<LRESULT>(provider); }
// The window's provider: its own answer, or the platform's for its class. Never nullptr for a
// live window (nullptr for none).
Provider* ProviderOf(HWND hwnd);

enum class RequestKind { kDoAction, kSelectChild, kSetText, kGrabFocus };
// Queues a request for the part, run from the message loop with the window's provider of that
// moment; dropped when the window is gone by then. `index` is the action or the child's number.
void Request(ObjectRef target, RequestKind kind, int index = 0, std::string text = {});

// ---- Changes ---------------------------------------------------------------------------------

enum class EventKind {
  kFocus,                    // the source took the keyboard focus
  kStateChanged,             // `state` turned `on` (or off)
  kNameChanged,              // the source's name changed
  kTextInserted,             // `text` inserted at `offset`
  kTextRemoved,              // `text` removed from `offset`
  kCaretMoved,               // the caret is at `offset`
  kActiveDescendantChanged,  // `other` is the source's current part now
  kSelectionChanged,         // the source's selected children changed
  kChildrenChanged,          // the source's children came or went
  kWindowActivated,          // a top-level window became the active one
  kWindowDeactivated,
  kWindowCreated,  // a top-level window was shown
  kWindowDestroyed,
};

struct Event {
  EventKind kind = EventKind::kFocus;
  ObjectRef source;
  State state = State::kFocused;
  bool on = true;
  int offset = 0;
  std::string text;  // cp1252
  ObjectRef other;
};

// Where events go: the bridge while a screen reader listens, a recorder in tests.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void Send(const Event& event) = 0;
};

// Whether anyone listens (a window may skip working out what it would tell).
bool Listening();
void NotifyEvent(const Event& event);
// The sink for this run of the platform; nullptr stops the events.
void SetEventSink(EventSink* sink);

}  // namespace a11y
