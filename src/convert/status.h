// The result of a converter step: success, or a message for the user (UTF-8,
// the program's own Chinese wording) saying what went wrong.
#pragma once

#include <string>
#include <utility>

namespace folian::convert {

class Status {
 public:
  Status() = default;  // success
  static Status Ok() { return Status(); }
  static Status Error(std::string message) {
    Status s;
    s.ok_ = false;
    s.message_ = std::move(message);
    return s;
  }
  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const std::string& message() const { return message_; }

 private:
  bool ok_ = true;
  std::string message_;
};

}  // namespace folian::convert
