// SPDX-License-Identifier: GPL-3.0-or-later
// Components: named objects with an owner. An owner destroys what it owns, last created first,
// which is how closing the main window takes every control (and the media player's open device)
// down in a known order.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TComponent;
struct TDescValue;

// Every event of the program is called with the component that raised it.
using TNotifyEvent = std::function<void(TComponent* sender)>;

enum class TOperation { opInsert, opRemove };

// Component state bits.
inline constexpr unsigned csLoading = 0x01;
inline constexpr unsigned csReading = 0x02;
inline constexpr unsigned csDestroying = 0x04;

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  virtual const char* ClassName() const { return "TComponent"; }

  TComponent* Owner() const { return m_owner; }
  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  int ComponentCount() const { return static_cast<int>(m_components.size()); }
  TComponent* Components(int index) const { return m_components.at(index); }
  TComponent* FindComponent(const std::string& name) const;

  unsigned ComponentState() const { return m_state; }
  bool IsLoading() const { return m_state & csLoading; }
  bool IsDestroying() const { return m_state & csDestroying; }
  // The window description reader marks components while it reads them.
  void BeginLoading() { m_state |= csLoading | csReading; }
  void EndReading() { m_state &= ~csReading; }
  // After-load step: the reader calls it on every component it read, owner first.
  virtual void Loaded() { m_state &= ~csLoading; }

  // ---- Reading from a window description ----
  // Applies one stored property. `root` is the window being read (events name its handlers).
  // Unknown names and unfit values throw TPropertyError (window_description.h).
  virtual void ReadProperty(const std::string& name, const TDescValue& value, TComponent* root);
  // The root learns each component read into it, by name (the window keeps its controls).
  virtual void ReadField(const std::string& name, TComponent* component) {
    (void)name;
    (void)component;
  }
  // The root's event handlers by name; an empty event when there is none.
  virtual TNotifyEvent FindMethod(const std::string& name) {
    (void)name;
    return {};
  }
  // The end of reading, before the after-load steps (the window scales itself here).
  virtual void ReadStateEnd() {}

  // Asks to be told (Notification with opRemove) when `other` is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // Destroys owned components, last created first. Derived destructors call it while their own
  // part of the object still exists, when an owned component may still call back.
  void DestroyComponents();
  void MarkDestroying() { m_state |= csDestroying; }

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* m_owner = nullptr;
  std::string m_name;
  unsigned m_state = 0;
  std::vector<TComponent*> m_components;    // owned, in creation order
  std::vector<TComponent*> m_freeNotifies;  // told when this one goes
};
