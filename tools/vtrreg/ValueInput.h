#pragma once
// The set command's words as a value for the registry class: the kind by
// name or code, and the VALUE words as that kind's data.
#include <cstdint>
#include <string>
#include <vector>

#include "registry/Variant.h"

// "string", "dword", "binary", "multistring" (any case, and short forms) or
// a code, which the registry class judges. Throws the Usage error.
int32_t ParseKind(const std::string& text);

// A string or dword takes one VALUE, a multistring one a string, binary
// hex bytes in any number of words ("00 0A FF", "00,0a,ff" or "000aff").
// Throws ErrObject (Usage or BadValue).
Variant MakeValue(int32_t kind, const std::vector<std::string>& values);
