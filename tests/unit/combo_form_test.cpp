// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's description gives the key selector its design values in the order they are
// applied (the text before OnChange, the items last), and its items are the key table's names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/window_description.h"
#include "platform/module.h"
#include "theory/key_table.h"

namespace {

TEST(ComboForm, TheMainWindowDescribesTheKeySelectorWithTheKeyTablesNamesInOrder) {
  SetModuleResources(TessivoResources());
  auto data = FindResourceData(nullptr, "TFORM1", RT_RCDATA);
  SetModuleResources(nullptr);
  ASSERT_FALSE(data.empty());
  TDescription d = ParseWindowDescription(
      std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), "TFORM1");
  const TDescObject* combo = nullptr;
  for (const TDescObject& c : d.controls) {
    if (c.name == "ComboBox1") combo = &c;
  }
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->className, "TComboBox");
  std::vector<std::string> names;
  for (const TDescProperty& p : combo->properties) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Left", "Top", "Width", "Height", "DropDownCount", "ItemHeight",
                                             "TabOrder", "Text", "OnChange", "Items"}));
  ASSERT_EQ(names.size(), 10u);
  const std::vector<int> integers{72, 16, 185, 21, 15, 13, 1};
  for (std::size_t i = 0; i < integers.size(); ++i)
    EXPECT_EQ(DescInteger(combo->properties[i].value), integers[i]) << names[i];
  EXPECT_EQ(DescText(combo->properties[7].value), "Armadura");
  EXPECT_EQ(DescIdentifier(combo->properties[8].value), "ComboBox1Change");
  const std::vector<std::string>& items = DescList(combo->properties[9].value);
  ASSERT_EQ(items.size(), static_cast<std::size_t>(theory::kKeyCount));
  for (int i = 0; i < theory::kKeyCount; ++i) EXPECT_EQ(items[i], theory::KeyItemText(i)) << i;
}

}  // namespace
