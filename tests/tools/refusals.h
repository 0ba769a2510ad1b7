#pragma once
// Malformed sources as table rows: the text a compiler is given and a part of the message it
// must refuse it with (usually "line N: ...").

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

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
