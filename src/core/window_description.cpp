// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/window_description.h"

#include <cctype>
#include <map>

#include "core/control.h"
#include "core/exceptions.h"
#include "core/win_control.h"
#include "platform/module.h"

namespace {

constexpr const char* kReadError = "Error reading %s%s%s: %s";
constexpr const char* kResNotFound = "Resource %s not found";

std::map<std::string, TComponentFactory>& Factories() {
  static std::map<std::string, TComponentFactory> factories;
  return factories;
}

void ApplyProperties(TComponent* component, const TDescObject& object, TComponent* root) {
  for (const TDescProperty& prop : object.properties) {
    try {
      component->ReadProperty(prop.name, prop.value, root);
    } catch (const TPropertyError& e) {
      RaiseFmt<EReadError>(kReadError, object.name, ".", prop.name, e.detail);
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      // A setter that refuses a stored value (a fixed count too large ...) fails the reading.
      RaiseFmt<EReadError>(kReadError, object.name, ".", prop.name, e.Message());
    }
  }
}

}  // namespace

void RegisterComponentClass(const std::string& className, TComponentFactory factory) {
  Factories()[className] = std::move(factory);
}

void ReadWindowText(TComponent* root, std::string_view text, std::string_view resourceName) {
  TDescription d = ParseWindowDescription(text, resourceName);
  if (d.window.className != root->ClassName()) {
    RaiseFmt<EReadError>(kReadError, d.window.name, "", "",
                         "the description is for " + d.window.className + ", not " + root->ClassName());
  }
  root->SetName(d.window.name);
  root->BeginLoading();
  ApplyProperties(root, d.window, root);
  std::vector<TComponent*> read;
  for (const TDescObject& object : d.controls) {
    auto it = Factories().find(object.className);
    if (it == Factories().end()) {
      RaiseFmt<EReadError>(kReadError, object.name, "", "", "Class " + object.className + " not found");
    }
    TComponent* component = it->second(root);
    component->SetName(object.name);
    component->BeginLoading();
    if (auto* control = dynamic_cast<TControl*>(component)) {
      if (auto* parent = dynamic_cast<TWinControl*>(root)) control->SetParent(parent);
    }
    root->ReadField(object.name, component);
    read.push_back(component);
    ApplyProperties(component, object, root);
  }
  for (TComponent* c : read) c->EndReading();
  root->EndReading();
  root->ReadStateEnd();
  root->Loaded();
  for (TComponent* c : read) c->Loaded();
}

void ReadWindowResource(TComponent* root, std::string_view resourceName, std::string_view className) {
  auto data = FindResourceData(nullptr, resourceName, RT_RCDATA);
  if (data.empty()) RaiseFmt<EResNotFound>(kResNotFound, std::string(className));
  ReadWindowText(root, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
                 resourceName);
}
