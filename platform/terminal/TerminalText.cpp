#include "platform/terminal/TerminalText.h"

#include <sstream>

#include "platform/Form.h"
#include "platform/Hex.h"
#include "platform/Strings.h"

namespace terminal {

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x" + HexByte(c, true);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

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
