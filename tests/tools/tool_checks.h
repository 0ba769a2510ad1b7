#pragma once
// Checks the data compiler tests share: malformed sources as table rows, and the items a
// coverage table marks used.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tools/coverage_report.h"

// The text a compiler is given and a part of the message it must refuse it with (usually
// "line N: ...").
struct Refusal {
  std::string text;
  std::string error;
};

// `compile` returns the compiler's message for a text, or "" when it accepts the text.
inline void ExpectRefusals(const std::function<std::string(const std::string&)>& compile,
                           std::initializer_list<Refusal> rows) {
  for (const Refusal& r : rows) {
    const std::string error = compile(r.text);
    EXPECT_TRUE(!error.empty() && error.find(r.error) != std::string::npos)
        << r.text << "\n  gave: " << error << "\n  want: " << r.error;
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
