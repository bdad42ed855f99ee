#pragma once
// clsMRUList: the files that Vantorel applied most recently, newest first,
// as stored in the settings of section "Recent" of "Vantorel": "MaxFile"
// (how many to keep, at most 5) and "File1" onward (one name each).
//
// Call getRecentList once, first: it sets the maximum that setRecentFile
// and removeRecentFile depend on. setRecentFile changes only the list in
// memory; setRecentList stores it. Names are compared without regard to case.
#include <cstdint>
#include <string>

#include "recent/Collection.h"

class clsMRUList {
 public:
  clsMRUList() = default;
  clsMRUList(const clsMRUList&) = delete;
  clsMRUList& operator=(const clsMRUList&) = delete;

  // Loads "File1" onward up to the maximum, stopping at the first empty or
  // missing one. A second call on the same object raises the duplicate-key
  // error, since the keys "File1"... are taken.
  void getRecentList();
  // Deletes "File1" to "File5", then stores the list from "File1" on.
  void setRecentList();
  // Takes the first entry of that name out of the list, and deletes every
  // stored "File<n>" up to the maximum that holds it (without renumbering).
  void removeRecentFile(const std::string& astrFile);
  // Puts the name at the head (taking out an entry of the same name first)
  // and drops the last entry once when the list is longer than the maximum.
  void setRecentFile(const std::string& astrFile);
  // The text behind the last backslash ("a.txt" for "C:\Docs\a.txt").
  std::string GetFileName(const std::string& astrFile);
  // The object's own list, not a copy.
  Collection& fileList() { return colFiles; }

 private:
  Collection colFiles;
  int16_t intMaxFile = 0;
};
