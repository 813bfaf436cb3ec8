// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace pelvane {

/// Error number of input that is refused as it stands ("Invalid procedure call or argument").
constexpr int kInvalidArgument = 5;

/// Outcome of an operation that can fail: success, or an error with a message and a number.
/// Numbers follow the classic run-time error numbers where one exists (53 "File not found").
class Status {
 public:
  static Status Ok() { return Status(); }
  static Status Error(std::string message, int number = 0) {
    return Status(std::move(message), number);
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& message() const { return message_; }
  int number() const { return number_; }

 private:
  Status() = default;
  Status(std::string message, int number)
      : failed_(true), message_(std::move(message)), number_(number) {}

  bool failed_ = false;
  std::string message_;
  int number_ = 0;
};

/// A value, or the Status that explains why there is none.
template <class T>
class Result {
 public:
  Result(T value)
      : value_(std::move(value)), status_(Status::Ok()) {}  // NOLINT: implicit by design
  Result(Status error)                                      // NOLINT: implicit by design
      : status_(error.ok() ? Status::Error("no value was produced") : std::move(error)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const& { return *value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace pelvane
