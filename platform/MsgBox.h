#pragma once
// The message box for code without a form of its own (the recent-file
// list): it is shown by whichever window runtime the program installed,
// with the program's title, and the caller knows nothing of which runtime
// that is. Returns the answer (vbOK, vbYes ...), or 0 when no runtime is
// installed or the box could not be shown.
#include <cstdint>
#include <string>

#include "platform/MsgBoxStyle.h"

int32_t MsgBox(const std::string& Prompt, int32_t Buttons = vbOKOnly);
