#pragma once

#include <exception>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tolvane {

// The classic run-time numbers, so that users and tests can tell errors apart by number.
enum class ErrorNumber : int {
  Overflow = 6,
  SubscriptOutOfRange = 9,
  TypeMismatch = 13,
  BadFileName = 52,
  FileNotFound = 53,
  FileAlreadyExists = 58,
  DiskFull = 61,
  DeviceUnavailable = 68,
  PermissionDenied = 70,
  DifferentDrive = 74,
  PathFileAccessError = 75,
  PathNotFound = 76,
};

// The one error type of the program: a number and a description a user can read.
class Error : public std::exception {
 public:
  Error(ErrorNumber number, std::string description);

  ErrorNumber Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }
  // The errno the error came from, when the system raised it (FromErrno); 0 otherwise.
  // Errors that share a number can differ in what they mean to the user ("Path not found":
  // a folder missing, or a file where a folder should be).
  int SystemErrno() const noexcept { return systemErrno_; }

  static Error Overflow();
  static Error TypeMismatch();
  // An operating-system failure on `path`: the classic number that fits errnum, and a
  // description naming the path with the system's own reason.
  static Error FromErrno(int errnum, std::string_view path);

 private:
  ErrorNumber number_;
  std::string description_;
  int systemErrno_ = 0;
};

// The number as users read it: "Error 53: File not found: ...".
constexpr int ClassicNumber(ErrorNumber number) noexcept { return static_cast<int>(number); }

// The classic description of a number ("File not found"); empty for numbers it does not know.
std::string_view ClassicDescription(ErrorNumber number);

// Writes the classic number, as users read it.
std::ostream& operator<<(std::ostream& out, ErrorNumber number);

}  // namespace tolvane
