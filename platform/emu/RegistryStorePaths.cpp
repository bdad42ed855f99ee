// Subkey paths resolved to keys: remembered, walked in one statement, or
// walked a name at a time.
#include <sqlite3.h>

#include <algorithm>

#include "platform/emu/RegistryStore.h"
#include "platform/emu/Statements.h"
#include "platform/Strings.h"

using emu::BindFolded;
using emu::Reset;

LONG RegistryStore::KeyExists(int64_t keyId, bool write) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::keyExists);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  return rc == SQLITE_ROW ? ERROR_SUCCESS : Fail(rc, write);
}

LONG RegistryStore::FindSubKey(int64_t parentId, std::string_view name, int64_t& childId,
                               bool write) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::findSub);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, parentId);
  BindFolded(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Fail(rc, write);
  childId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG RegistryStore::ResolvePath(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId,
                                bool write) {
  keyId = startId;
  if (names.empty()) return ERROR_SUCCESS;
  if (const int64_t known = paths_.Find(startId, names); known != 0) {
    const LONG rc = KeyExists(known, write);
    if (rc != ERROR_KEY_DELETED) {
      if (rc == ERROR_SUCCESS) keyId = known;
      return rc;
    }
    paths_.Forget(startId, names);  // deleted since: the path may lead elsewhere now
  }
  const LONG rc = names.size() <= emu::Statements::kWalkDepth ? WalkJoined(startId, names, keyId, write)
                                                                : WalkByName(startId, names, keyId, write);
  if (rc == ERROR_SUCCESS) paths_.Remember(startId, names, keyId);
  return rc;
}

LONG RegistryStore::WalkJoined(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId,
                               bool write) {
  sqlite3_stmt* s = st_->Walk(names.size());
  Reset reset{s};
  sqlite3_bind_int64(s, 1, startId);
  // Every name folded into one buffer that outlives the step.
  thread_local std::string folded;
  folded.clear();
  for (std::string_view name : names) folded += name;
  std::transform(folded.begin(), folded.end(), folded.begin(), AsciiUpper);
  size_t at = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    sqlite3_bind_blob(s, static_cast<int>(i) + 2, folded.data() + at, static_cast<int>(names[i].size()),
                      SQLITE_STATIC);
    at += names[i].size();
  }
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail(rc, write);
  if (rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL) {
    keyId = sqlite3_column_int64(s, 0);
    return ERROR_SUCCESS;
  }
  // A name is missing, or the start key is gone: only then is that asked.
  // Outside a transaction the two answers are two moments, each one true.
  const LONG exists = KeyExists(startId, write);
  return exists == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : exists;
}


LONG RegistryStore::WalkByName(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId,
                               bool write) {
  keyId = startId;
  for (std::string_view name : names) {
    int64_t child = 0;
    const LONG rc = FindSubKey(keyId, name, child, write);
    if (rc == ERROR_FILE_NOT_FOUND && keyId == startId) {
      const LONG exists = KeyExists(startId, write);
      if (exists != ERROR_SUCCESS) return exists;
    }
    if (rc != ERROR_SUCCESS) return rc;
    keyId = child;
  }
  return ERROR_SUCCESS;
}
