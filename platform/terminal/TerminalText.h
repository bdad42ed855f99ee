#pragma once
// Text as the terminal front end shows and reads it.
#include <string>
#include <string_view>
#include <vector>

class Form;

namespace terminal {

// Text from the registry or a dialog, made safe to print: control
// characters (a line break, an escape sequence) are shown as escapes.
std::string Printable(std::string_view text);

// The words of a line, between blanks.
std::vector<std::string> Words(const std::string& line);

// A form's name without its "frm" prefix, in lower case, and ": ": how the
// lines about the form begin.
std::string LinePrefix(const Form& form);

}  // namespace terminal
