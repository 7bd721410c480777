#include "QZFramework/ObjectBase/TypeName.h"

#include <cxxabi.h>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <typeindex>

namespace QZ {
namespace {

struct Registry {
  std::mutex lock;
  std::map<std::type_index, std::string> names;
  // Kept apart so a registration that runs after a fallback was handed out still wins.
  std::map<std::type_index, std::string> fallbacks;
};

Registry& GetRegistry() {
  static Registry* registry = new Registry; // outlives every static destructor
  return *registry;
}

} // namespace

bool RegisterTypeName(const std::type_info& type, const char* name) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.names.insert_or_assign(std::type_index(type), name);
  return true;
}

const char* RunTimeTypeName(const std::type_info& type) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (auto it = r.names.find(std::type_index(type)); it != r.names.end())
    return it->second.c_str();
  if (auto it = r.fallbacks.find(std::type_index(type)); it != r.fallbacks.end())
    return it->second.c_str();
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string name = "class ";
  name += (status == 0 && demangled) ? demangled : type.name();
  std::free(demangled);
  return r.fallbacks.emplace(std::type_index(type), std::move(name)).first->second.c_str();
}

} // namespace QZ
