#include "QZFramework/ObjectBase/Exception.h"

#include <cstdio>

namespace QZ {

const char* ExceptionBase::what() const noexcept {
  // Only ever a base of Exception<E>, so the cross cast always finds the std::exception.
  const auto* e = dynamic_cast<const std::exception*>(this);
  return e ? e->what() : "";
}

std::string ResultToString(QZRESULT code) {
  char text[32];
  std::snprintf(text, sizeof text, "QZRESULT = %X", static_cast<unsigned>(code));
  return text;
}

std::string ComposeExceptionMessage(std::string_view kind, std::string_view detail, std::string_view function,
                                    std::string_view path, int line) {
  std::string m(kind);
  if (!detail.empty()) {
    m += " : ";
    m += detail;
  }
  m += " : ";
  m += function;
  m += " : ";
  m += path;
  m += " : Line ";
  m += std::to_string(line);
  return m;
}

} // namespace QZ
