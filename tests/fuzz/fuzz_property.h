#pragma once

#include <cstdio>
#include <cstdlib>
#include <variant>

#include "platform/error.h"

namespace tolvane::fuzz {

// Ends the run so that libFuzzer (or the corpus replay) keeps the input that broke the property.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "Property broken: %s\n", property);
  std::abort();
}

// The number of a tolvane::Error that a call raised.
struct Raised {
  ErrorNumber number;
  bool operator==(const Raised&) const = default;
};

// What a call gave: its value or the error it raised. Any other exception is left to end the
// run, because no operation under test may throw anything but tolvane::Error.
template <typename Value>
using Outcome = std::variant<Value, Raised>;

template <typename Call>
auto OutcomeOf(Call call) -> Outcome<decltype(call())> {
  try {
    return call();
  } catch (const Error& error) {
    return Raised{error.Number()};
  }
}

}  // namespace tolvane::fuzz
