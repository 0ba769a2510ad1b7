#pragma once
// Checks the data compiler tests share: malformed sources as table rows, and the items a
// coverage table marks used.

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tools/coverage_report.h"

// Rows of the text a compiler is given and a part of the message it must refuse it with
// (usually "line N: ..."); `compile` returns the message for a text, "" when it accepts it.
template <class Compile>
void ExpectRefusals(Compile compile,
                    std::initializer_list<std::pair<std::string, std::string>> rows) {
  for (const auto& [text, want] : rows) {
    const std::string error = compile(text);
    EXPECT_TRUE(!error.empty() && error.find(want) != std::string::npos)
        << text << "\n  gave: " << error << "\n  want: " << want;
  }
}

using UsedItems = std::map<std::string, std::vector<std::string>>;

// The names of the used items by category, in table order; categories with none are left out.
inline UsedItems UsedItemsOf(const std::vector<CoverageCategory>& categories) {
  UsedItems used;
  for (const CoverageCategory& c : categories) {
    for (const CoverageItem& item : c.items)
      if (item.used) used[c.name].push_back(item.name);
  }
  return used;
}
