// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/component.h"

#include "core/window_description.h"

#include <algorithm>
#include <cctype>

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  m_state |= csDestroying;
  // Tell everyone who asked; they drop their references to us.
  while (!m_freeNotifies.empty()) {
    TComponent* other = m_freeNotifies.back();
    m_freeNotifies.pop_back();
    auto& back = other->m_freeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (m_owner) m_owner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!m_components.empty()) {
    TComponent* last = m_components.back();
    // Unlink first so a component that looks at its owner's list while dying never sees itself.
    m_components.pop_back();
    last->m_owner = nullptr;
    delete last;
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : m_components) {
    if (c->m_name.size() == name.size() &&
        std::equal(name.begin(), name.end(), c->m_name.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      return c;
    }
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  component->m_owner = this;
  m_components.push_back(component);
}

void TComponent::RemoveComponent(TComponent* component) {
  m_components.erase(std::remove(m_components.begin(), m_components.end(), component), m_components.end());
  component->m_owner = nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(m_freeNotifies.begin(), m_freeNotifies.end(), other) == m_freeNotifies.end()) {
    m_freeNotifies.push_back(other);
    other->m_freeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  m_freeNotifies.erase(std::remove(m_freeNotifies.begin(), m_freeNotifies.end(), other),
                       m_freeNotifies.end());
  other->m_freeNotifies.erase(std::remove(other->m_freeNotifies.begin(), other->m_freeNotifies.end(), this),
                              other->m_freeNotifies.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) {
    for (TComponent* c : m_components) {
      if (c != component) c->Notification(component, operation);
    }
  }
}

void TComponent::ReadProperty(const std::string& name, const TDescValue& value, TComponent* root) {
  (void)value;
  (void)root;
  throw TPropertyError{"Property " + name + " does not exist"};
}
