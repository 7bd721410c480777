#pragma once
// The framework exception: Exception<E> over a standard exception class or
// FailedResultException. The message joins with " : " the kind, an optional
// detail, the throwing function, its source path and "Line N"; callers pass the
// function, path and line as literals so the texts are stable across builds.

#include "QZFramework/ObjectBase/QZResult.h"

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace QZ {

struct ExceptionBase {
  virtual ~ExceptionBase() = default;
  virtual const char* what() const noexcept;
};

class FailedResultException : public std::exception {
public:
  explicit FailedResultException(const std::string& message) : mMessage(message) {}
  FailedResultException(const FailedResultException&) = default;
  ~FailedResultException() override = default;
  const char* what() const noexcept override { return mMessage.c_str(); }

private:
  std::string mMessage;
};

template <class E>
class Exception : public E, public ExceptionBase {
public:
  explicit Exception(const char* message) : E(message) {}
  explicit Exception(const std::string& message) : E(message) {}
  Exception(const Exception&) = default;
  ~Exception() override = default;
  const char* what() const noexcept override { return E::what(); }
};

// The standard bad_alloc takes no message; its text is fixed.
template <>
class Exception<std::bad_alloc> : public std::bad_alloc, public ExceptionBase {
public:
  Exception() = default;
  Exception(const Exception&) = default;
  ~Exception() override = default;
  const char* what() const noexcept override { return "bad allocation"; }
};

template <class E>
struct ExceptionKind;
template <>
struct ExceptionKind<std::runtime_error> {
  static constexpr const char* text = "Runtime Error";
};
template <>
struct ExceptionKind<std::logic_error> {
  static constexpr const char* text = "Logic Error";
};
template <>
struct ExceptionKind<std::out_of_range> {
  static constexpr const char* text = "Out of Range";
};
template <>
struct ExceptionKind<std::domain_error> {
  static constexpr const char* text = "Domain Error";
};
template <>
struct ExceptionKind<std::invalid_argument> {
  static constexpr const char* text = "Invalid Argument";
};
template <>
struct ExceptionKind<FailedResultException> {
  static constexpr const char* text = "Failed Result";
};

// "Kind : detail : function : path : Line N"; an empty detail is left out.
std::string ComposeExceptionMessage(std::string_view kind, std::string_view detail, std::string_view function,
                                    std::string_view path, int line);

template <class E>
[[noreturn]] void ThrowException(std::string_view detail, std::string_view function, std::string_view path,
                                 int line) {
  throw Exception<E>(ComposeExceptionMessage(ExceptionKind<E>::text, detail, function, path, line));
}

// A result that was required to succeed: throws "Failed Result" when it is negative.
inline void ThrowIfFailed(QZRESULT result, std::string_view function, std::string_view path, int line) {
  if (result < 0)
    ThrowException<FailedResultException>(ResultToString(result), function, path, line);
}

} // namespace QZ
