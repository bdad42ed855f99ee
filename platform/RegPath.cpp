#include "platform/RegPath.h"

RegPathParts SplitRootPath(std::string_view path) {
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  const size_t slash = path.find('\\');
  if (slash == std::string_view::npos) return {path, {}};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

std::string_view ParentPath(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view LeafName(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string_view> SplitNames(std::string_view subKey) {
  std::vector<std::string_view> names;
  SplitNames(subKey, names);
  return names;
}

void SplitNames(std::string_view subKey, std::vector<std::string_view>& names) {
  names.clear();
  if (subKey.empty()) return;
  for (;;) {
    const size_t slash = subKey.find('\\');
    names.push_back(subKey.substr(0, slash));
    if (slash == std::string_view::npos) break;
    subKey.remove_prefix(slash + 1);
  }
}
