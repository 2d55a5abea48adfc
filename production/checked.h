#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tessimor::production {

// The one sentence that refuses a value.
struct Refusal {
  std::string error;
};

// A value, or the refusal in its place; the caller decides how to leave.
template <typename T>
struct Checked {
  Checked(T accepted) : value(std::move(accepted)) {}
  Checked(Refusal refusal) : error(std::move(refusal.error)) {}

  std::optional<T> value;
  std::string error;  // empty when there is a value
};

}  // namespace tessimor::production
