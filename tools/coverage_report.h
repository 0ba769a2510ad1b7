#pragma once
// The coverage table the data compilers print for people and checks: per category how many of
// the items the format defines a source uses, then the unused items by name, then the total as
// the last line, `coverage: U/T`.

#include <string>
#include <vector>

struct CoverageItem {
  std::string name;
  bool used;
};

struct CoverageCategory {
  std::string name;
  std::vector<CoverageItem> items;
};

inline std::string CoverageReport(const std::vector<CoverageCategory>& categories) {
  std::string table, unused;
  int used = 0, total = 0;
  for (const CoverageCategory& c : categories) {
    int n = 0;
    for (const CoverageItem& item : c.items) {
      n += item.used;
      if (!item.used) unused += "  " + c.name + ": " + item.name + "\n";
    }
    table += c.name + std::string(c.name.size() < 24 ? 24 - c.name.size() : 1, ' ') +
             std::to_string(n) + "/" + std::to_string(c.items.size()) + "\n";
    used += n;
    total += static_cast<int>(c.items.size());
  }
  if (!unused.empty()) unused = "unused:\n" + unused;
  return table + unused + "coverage: " + std::to_string(used) + "/" + std::to_string(total) + "\n";
}
