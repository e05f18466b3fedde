#include "app/main_form.h"

#include "app/label.h"
#include "core/window_description.h"

TForm1* Form1 = nullptr;

void RegisterMainWindowClasses() {
  RegisterComponentClass("TLabel", [](TComponent* owner) { return new TLabel(owner); });
}

TForm1::TForm1(TComponent* owner) : TForm(owner) { InitFromResource(); }

void TForm1::ReadField(const std::string& name, TComponent* component) {
  TLabel** labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
  for (int i = 0; i < 7; ++i) {
    if (name == "Label" + std::to_string(i + 1)) *labels[i] = dynamic_cast<TLabel*>(component);
  }
}

TNotifyEvent TForm1::FindMethod(const std::string& name) {
  if (name == "FormCreate") return [this](TComponent* sender) { FormCreate(sender); };
  return {};
}

void TForm1::FormCreate(TComponent*) { m_notes.Fill(); }
