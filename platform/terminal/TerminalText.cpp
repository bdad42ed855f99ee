#include "platform/terminal/TerminalText.h"

#include <sstream>

#include "platform/Form.h"
#include "platform/Strings.h"

namespace terminal {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string LinePrefix(const Form& form) {
  std::string name = form.Name();
  if (name.rfind("frm", 0) == 0) name = name.substr(3);
  return LCaseAscii(name) + ": ";
}

}  // namespace terminal
