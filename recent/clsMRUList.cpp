#include "recent/clsMRUList.h"

#include <exception>
#include <limits>

#include "platform/MsgBox.h"
#include "platform/Strings.h"
#include "registry/ErrObject.h"
#include "registry/modSettings.h"

namespace {

const char kApp[] = "Vantorel";
const char kSection[] = "Recent";
constexpr int16_t kDefaultMaxFile = 3;
constexpr int16_t kMostFiles = 5;

std::string FileKey(int n) { return "File" + std::to_string(n); }

bool SameName(const std::string& a, const std::string& b) { return LCase(a) == LCase(b); }

// Takes out the first entry of that name; true when there was one.
bool RemoveFirst(Collection& files, const std::string& astrFile) {
  for (int16_t i = 1; i <= files.Count(); ++i) {
    if (SameName(files.Item(i), astrFile)) {
      files.Remove(i);
      return true;
    }
  }
  return false;
}

// "MaxFile" text as a maximum: a whole number in decimal, blanks around it
// ignored, beyond the 16-bit range taken as its nearest end; any other text
// gives the default 3. Then lowered to 5.
int16_t ParseMaxFile(const std::string& strText) {
  const std::string_view text = TrimBlanks(strText);
  size_t i = 0;
  const size_t end = text.size();

  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == end) return kDefaultMaxFile;

  // Saturates at the 16-bit ends, so that "99999" keeps five files and
  // "-99999" none, as any number beyond 5 or below 1 does.
  constexpr int32_t kLimit = std::numeric_limits<int16_t>::max() + 1;
  int32_t value = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return kDefaultMaxFile;
    value = value * 10 + (c - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > kMostFiles) value = kMostFiles;
  if (value < std::numeric_limits<int16_t>::min()) value = std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(value);
}

}  // namespace

void clsMRUList::getRecentList() {
  intMaxFile = ParseMaxFile(GetRegSetting(kApp, kSection, "MaxFile", "3"));
  for (int16_t n = 1; n <= intMaxFile; ++n) {
    const std::string strFile = GetRegSetting(kApp, kSection, FileKey(n), "");
    if (strFile.empty()) break;
    colFiles.Add(strFile, FileKey(n));
  }
}

void clsMRUList::setRecentList() {
  for (int n = 1; n <= kMostFiles; ++n) DeleteRegSetting(kApp, kSection, FileKey(n));
  for (int16_t p = 1; p <= colFiles.Count(); ++p) SaveRegSetting(kApp, kSection, FileKey(p), colFiles.Item(p));
}

void clsMRUList::removeRecentFile(const std::string& astrFile) {
  RemoveFirst(colFiles, astrFile);
  for (int16_t n = 1; n <= intMaxFile; ++n) {
    if (SameName(GetRegSetting(kApp, kSection, FileKey(n), ""), astrFile))
      DeleteRegSetting(kApp, kSection, FileKey(n));
  }
}

void clsMRUList::setRecentFile(const std::string& astrFile) {
  RemoveFirst(colFiles, astrFile);
  if (colFiles.Count() == 0) {
    colFiles.Add(astrFile, astrFile);
  } else {
    colFiles.Add(astrFile, astrFile, int16_t{1});
  }
  if (colFiles.Count() > intMaxFile) colFiles.Remove(colFiles.Count());
}

std::string clsMRUList::GetFileName(const std::string& astrFile) {
  try {
    // Positions are counted in the string's own size type: a name of any
    // length gives its last part.
    const size_t slash = astrFile.rfind('\\');
    return slash == std::string::npos ? astrFile : astrFile.substr(slash + 1);
  } catch (const std::exception& failure) {
    MsgBox(std::string("Error in GetFileName function: ") + failure.what(), vbExclamation | vbOKOnly);
    return std::string();
  }
}
