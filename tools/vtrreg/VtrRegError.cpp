#include "tools/vtrreg/VtrRegError.h"

namespace VtrRegError {
namespace {

// The result codes the registry functions give, by name; "" for the others.
const char* WindowsErrorName(LONG code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return "ERROR_FILE_NOT_FOUND";
    case ERROR_ACCESS_DENIED: return "ERROR_ACCESS_DENIED";
    case ERROR_INVALID_HANDLE: return "ERROR_INVALID_HANDLE";
    case ERROR_OUTOFMEMORY: return "ERROR_OUTOFMEMORY";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    case ERROR_BAD_PATHNAME: return "ERROR_BAD_PATHNAME";
    case ERROR_MORE_DATA: return "ERROR_MORE_DATA";
    case ERROR_BADDB: return "ERROR_BADDB";
    case ERROR_BADKEY: return "ERROR_BADKEY";
    case ERROR_CANTOPEN: return "ERROR_CANTOPEN";
    case ERROR_CANTREAD: return "ERROR_CANTREAD";
    case ERROR_CANTWRITE: return "ERROR_CANTWRITE";
    case ERROR_KEY_DELETED: return "ERROR_KEY_DELETED";
    default: return "";
  }
}

}  // namespace

void RegistryFailure(const char* source, const std::string& where, const char* call, LONG code) {
  const std::string name = WindowsErrorName(code);
  throw Make(RegistryCall, source,
             where + ": " + call + " failed with code " + std::to_string(code) + (name.empty() ? "" : " (" + name + ")"));
}

}  // namespace VtrRegError
