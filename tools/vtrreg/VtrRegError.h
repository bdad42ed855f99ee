#pragma once
// vtrreg's own errors. They travel as the registry class's ErrObject, so the
// console reports every failure the same way: number, source, description.
// The numbers lie above the registry class's own (0x80040001..0x80040100).
#include <cstdint>
#include <string>

#include "platform/modAPI.h"
#include "registry/ErrObject.h"

namespace VtrRegError {

inline constexpr int32_t Base = static_cast<int32_t>(0x80040200u);
inline constexpr int32_t Usage = Base + 1;           // a command given the wrong arguments
inline constexpr int32_t UnknownCommand = Base + 2;  // no such command
inline constexpr int32_t BadValue = Base + 3;        // set: a value that does not fit its kind
inline constexpr int32_t FileRead = Base + 4;        // a file that cannot be read
inline constexpr int32_t FileWrite = Base + 5;       // a file that cannot be written
inline constexpr int32_t RegSyntax = Base + 6;       // a .reg file that is not well-formed
inline constexpr int32_t RegistryCall = Base + 7;    // a registry call of import, export or rmkey -r failed
inline constexpr int32_t NoCurrentKey = Base + 8;    // a value command with no current key

inline constexpr const char* Source = "vtrreg";
inline constexpr const char* ImportSource = "vtrreg [import]";
inline constexpr const char* ExportSource = "vtrreg [export]";

inline ErrObject Make(int32_t number, const std::string& source, const std::string& description) {
  return ErrObject(number, source, description);
}

// A name or text as messages show it: in double quotes.
inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A registry call of import or export that failed: RegistryCall, with where
// it happened, the call, and its result code by number and name.
[[noreturn]] void RegistryFailure(const char* source, const std::string& where, const char* call, LONG code);

}  // namespace VtrRegError
