#pragma once
// Text as the terminal front end shows and reads it.
#include <string>
#include <vector>

class Form;

namespace terminal {

// The words of a line, between blanks.
std::vector<std::string> Words(const std::string& line);

// A form's name without its "frm" prefix, in lower case, and ": ": how the
// lines about the form begin.
std::string LinePrefix(const Form& form);

}  // namespace terminal
