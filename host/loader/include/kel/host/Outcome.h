// Outcome<T>: a value, or the text of why there is none. What the loader returns instead of
// throwing for every failure a module file or its manifest can cause.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace kel::host {

// Why an operation produced nothing, in words fit for a user.
struct Failure {
  std::string text;
};

template <class T>
class Outcome {
 public:
  Outcome(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
  Outcome(Failure failure)                                                // NOLINT
      : state_(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return Ok(); }

  // The value; only when Ok().
  T& Value() & { return std::get<0>(state_); }
  const T& Value() const& { return std::get<0>(state_); }
  T&& Value() && { return std::get<0>(std::move(state_)); }

  // The failure's text; only when !Ok().
  const std::string& Error() const { return std::get<1>(state_).text; }

 private:
  std::variant<T, Failure> state_;
};

}  // namespace kel::host
