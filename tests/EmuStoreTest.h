#pragma once
// For the emulated registry's store tests (systems without Windows): each
// test works on a store of its own in a fresh folder and leaves the
// process's usual store as it found it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/emu/RegistryStore.h"
#include "tests/RawRegistry.h"

namespace emutest {

namespace fs = std::filesystem;
using emu::RegistryStore;

inline const char* const kKey = "Software\\VtrTest\\Store";

// How a failed read shows: "<code>".
inline std::string Failed(LONG rc) { return "<" + std::to_string(rc) + ">"; }

inline LONG WriteValue(const std::string& name, const std::string& text) {
  return rawreg::WriteValue(HKEY_LOCAL_MACHINE, kKey, name, REG_SZ, rawreg::Sz(text));
}

// The value's text, or Failed(code).
inline std::string ReadValue(const std::string& name) {
  rawreg::RawValue value;
  const LONG rc = rawreg::QueryValue(HKEY_LOCAL_MACHINE, kKey, name, value);
  return rc == ERROR_SUCCESS ? rawreg::Text(value) : Failed(rc);
}

// Another connection to a database, closed however the test ends.
class Connection {
 public:
  explicit Connection(const fs::path& path) { sqlite3_open(path.c_str(), &db_); }
  ~Connection() { sqlite3_close(db_); }
  int Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
  // The first column of the query's first row; empty when there is none.
  std::string Text(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
      text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return text;
  }

 private:
  sqlite3* db_ = nullptr;
};

// Runs `body` in a child process (as `uid` when given) and gives its exit status.
template <class Body>
int InChild(Body body, std::optional<uid_t> uid = std::nullopt) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (uid && (::setgid(*uid) != 0 || ::setuid(*uid) != 0)) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// An unprivileged user, for root: root writes through file modes.
constexpr uid_t kNobody = 65534;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* saved = std::getenv("VTR_REGISTRY")) saved_ = saved;
    // A name with what a URI must escape: a store may be opened by its URI.
    std::string pattern = (fs::temp_directory_path() / "vtr-store #?%25\xC3\xA9-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    UseStore(dir_ / "registry.db");
  }
  void TearDown() override {
    RegistryStore::Close();
    RegistryStore::SetBusyTimeout(2000);
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    saved_ ? ::setenv("VTR_REGISTRY", saved_->c_str(), 1) : ::unsetenv("VTR_REGISTRY");
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  void UseStore(const fs::path& path) {
    RegistryStore::Close();
    store_ = path;
    ::setenv("VTR_REGISTRY", path.c_str(), 1);
  }

  fs::path dir_, store_;
  bool mounted_ = false;
  std::optional<std::string> saved_;
};

}  // namespace emutest
