#include "tools/vtrreg/CommandSyntax.h"

#include "tools/vtrreg/VtrRegError.h"

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '"' || c == '\'') {
      inWord = true;
      for (++i;; ++i) {
        if (i >= line.size()) {
          throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source,
                                  std::string("a quote (") + c + ") without its closing quote");
        }
        if (line[i] == c) {
          if (i + 1 < line.size() && line[i + 1] == c) {
            word += c;  // doubled: the quote itself
            ++i;
            continue;
          }
          break;
        }
        word += line[i];
      }
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}
