// The emulated registry's store (systems without Windows): where it lives,
// how it is made, and how its own failures reach a caller.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "platform/emu/RegistryStore.h"
#include "platform/emu/Statements.h"
#include "platform/emu/StoreDatabase.h"
#include "platform/modAPI.h"
#include "tests/RawRegistry.h"

namespace {

namespace fs = std::filesystem;

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

LONG OpenSoftware() {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  return rc;
}

const char* const kStoreKey = "Software\\VtrTest\\Store";

LONG WriteValue(const char* name, const std::string& text) {
  return rawreg::WriteString(HKEY_LOCAL_MACHINE, kStoreKey, name, text);
}

LONG ReadValue(const char* name, std::string& text) {
  return rawreg::ReadString(HKEY_LOCAL_MACHINE, kStoreKey, name, text);
}

// Each test points the process at a store of its own and leaves the
// process's usual store as it found it.
class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedRegistry_ = GetEnv("VTR_REGISTRY");
    std::string pattern = (fs::temp_directory_path() / "vtr-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    UseStore(dir_ / "registry.db");
  }
  void TearDown() override {
    RegistryStore::Close();
    RegistryStore::SetBusyTimeout(2000);
    RestoreEnv("VTR_REGISTRY", savedRegistry_);
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  void UseStore(const fs::path& path) {
    RegistryStore::Close();
    ::setenv("VTR_REGISTRY", path.c_str(), 1);
  }

  fs::path dir_;
  std::optional<std::string> savedRegistry_;
};

size_t OpenStatementCount(sqlite3* db) {
  size_t count = 0;
  for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s != nullptr; s = sqlite3_next_stmt(db, s)) ++count;
  return count;
}

// The connection closes only after every statement on it is finalized:
// each one prepared at open is gone when the cache is let go.
TEST_F(RegistryStoreTest, EveryPreparedStatementIsFinalizedWithTheCache) {
  emu::Database db;
  int64_t roots[emu::kRootCount] = {};
  emu::OpenedStore opened;
  ASSERT_EQ(emu::OpenStore((dir_ / "statements.db").string(), 2000, true, db, roots, opened), ERROR_SUCCESS);
  const size_t before = OpenStatementCount(db.get());
  {
    emu::Statements statements;
    ASSERT_EQ(statements.Prepare(db.get()), ERROR_SUCCESS);
    EXPECT_EQ(OpenStatementCount(db.get()), before + emu::Statements::kNamedCount + emu::Statements::kWalkDepth);
    EXPECT_NE(statements.Get(emu::Stmt::valueAt), nullptr);
    EXPECT_NE(statements.Walk(emu::Statements::kWalkDepth), nullptr);
  }
  EXPECT_EQ(OpenStatementCount(db.get()), before);
}

TEST_F(RegistryStoreTest, AFileThatIsNoStoreGivesBadDbAndIsNeverWritten) {
  fs::path path = dir_ / "notes.db";
  {
    std::ofstream out(path, std::ios::binary);
    out << "These are someone's notes, not a registry.\n";
  }
  std::string before = ReadFile(path);
  UseStore(path);
  EXPECT_EQ(OpenSoftware(), ERROR_BADDB);
  EXPECT_EQ(WriteValue("v", "x"), ERROR_BADDB);
  EXPECT_EQ(ReadFile(path), before);

  // Another program's SQLite database is no store either.
  fs::path other = dir_ / "other.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE mine(x); INSERT INTO mine VALUES(1);", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  before = ReadFile(other);
  UseStore(other);
  EXPECT_EQ(WriteValue("v", "x"), ERROR_BADDB);
  EXPECT_EQ(ReadFile(other), before);
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeOpenedGivesCantOpen) {
  fs::create_directories(dir_ / "a-directory.db");
  UseStore(dir_ / "a-directory.db");
  EXPECT_EQ(OpenSoftware(), ERROR_CANTOPEN);
  {
    std::ofstream out(dir_ / "plain-file");
  }
  UseStore(dir_ / "plain-file" / "registry.db");
  EXPECT_EQ(OpenSoftware(), ERROR_CANTOPEN);
  // The store is tried again at the next call.
  UseStore(dir_ / "registry.db");
  EXPECT_EQ(OpenSoftware(), ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, AReadOnlyStoreReadsButRefusesWrites) {
  ASSERT_EQ(WriteValue("v", "before"), ERROR_SUCCESS);
  RegistryStore::Close();
  fs::path path = dir_ / "registry.db";
  // The file is read-only; its folder stays open for SQLite's shared-memory
  // file, without which a WAL database cannot be read at all.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);

  // Root writes through file modes, so the check runs as an unprivileged user.
  auto check = [] {
    std::string text;
    int failures = 0;
    if (ReadValue("v", text) != ERROR_SUCCESS || text != "before") failures |= 1;
    if (WriteValue("v", "after") != ERROR_ACCESS_DENIED) failures |= 2;
    if (ReadValue("v", text) != ERROR_SUCCESS || text != "before") failures |= 4;
    return failures;
  };
  if (::geteuid() != 0) {
    EXPECT_EQ(check(), 0);
    return;
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const uid_t nobody = 65534;
    if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(100);
    ::_exit(check());
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: read failed, 2: write not refused with 5, 4: data changed";
}

// Runs check() as the unprivileged user when this process is root (root
// writes through file modes); its exit status is check()'s result.
template <class Check>
int RunUnprivileged(Check check) {
  if (::geteuid() != 0) return check();
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    const uid_t nobody = 65534;
    if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(100);
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(RegistryStoreTest, AStoreInAReadOnlyFolderReadsAndRefusesWrites) {
  ASSERT_EQ(WriteValue("v", "before"), ERROR_SUCCESS);
  RegistryStore::Close();
  // The last connection took its journal files with it; none can be made now.
  for (const char* suffix : {"-wal", "-shm"}) fs::remove(dir_ / (std::string("registry.db") + suffix));
  ASSERT_EQ(::chmod((dir_ / "registry.db").c_str(), 0644), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);

  const int failures = RunUnprivileged([] {
    std::string text;
    int result = 0;
    if (OpenSoftware() != ERROR_SUCCESS) result |= 1;
    if (ReadValue("v", text) != ERROR_SUCCESS || text != "before") result |= 2;
    if (WriteValue("v", "after") != ERROR_ACCESS_DENIED) result |= 4;
    if (ReadValue("v", text) != ERROR_SUCCESS || text != "before") result |= 8;
    return result;
  });
  EXPECT_EQ(failures, 0) << "1: open failed, 2: read failed, 4: write not refused with 5, 8: data changed";
}

TEST_F(RegistryStoreTest, AnEmptyStoreFileIsCorruptAndLeftAsItIs) {
  const fs::path path = dir_ / "registry.db";
  { std::ofstream truncated(path, std::ios::binary); }
  EXPECT_EQ(OpenSoftware(), ERROR_BADDB);
  EXPECT_EQ(WriteValue("v", "x"), ERROR_BADDB);
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_FALSE(fs::exists(dir_ / "registry.db-wal"));
}

TEST_F(RegistryStoreTest, ANewStoreAppearsWholeNeverEmpty) {
  // Another process looking at the place while the store is made never
  // sees an empty file there.
  for (int round = 0; round < 20; ++round) {
    const fs::path path = dir_ / ("round" + std::to_string(round) + ".db");
    UseStore(path);
    std::atomic<bool> done{false};
    std::atomic<int> emptySeen{0};
    std::thread watcher([&] {
      while (!done) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && info.st_size == 0) ++emptySeen;
      }
    });
    EXPECT_EQ(OpenSoftware(), ERROR_SUCCESS);
    done = true;
    watcher.join();
    ASSERT_EQ(emptySeen, 0) << "round " << round;
  }
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos) << entry.path();
}

// A write finds its key gone only once it has written: what it wrote is
// undone, so no value is left behind without a key.
TEST_F(RegistryStoreTest, AWriteToADeletedKeyLeavesNoValueBehind) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VtrTest\\Doomed", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const BYTE data[] = {1, 2, 3};
  ASSERT_EQ(RegSetValueExA(key, "kept", 0, REG_BINARY, data, sizeof data), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\VtrTest\\Doomed"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "new", 0, REG_BINARY, data, sizeof data), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExA(key, "kept", 0, REG_BINARY, data, sizeof data), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  RegistryStore::Close();

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir_ / "registry.db").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* orphans = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)", -1,
                               &orphans, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(orphans), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(orphans, 0), 0);
  sqlite3_finalize(orphans);
  sqlite3_close(db);
}

TEST_F(RegistryStoreTest, KeysGoNoDeeperThan512LevelsBelowTheirRoot) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Deep", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (int level = 3; level <= 512; ++level) {  // one level at a time, from the key above
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExA(key, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_SUCCESS)
        << level;
    RegCloseKey(key);
    key = child;
  }
  HKEY deeper = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(deeper, nullptr);
  DWORD subKeys = 1;
  EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  RegCloseKey(key);
  // In one call from the root too, and nothing of the path is made.
  std::string path = "Software\\Deeper";
  for (int level = 3; level <= 513; ++level) path += "\\k";
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deeper, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Deeper", 0, KEY_READ, &deeper), ERROR_FILE_NOT_FOUND);
}

// Another connection to the store, closed however the test ends.
class Blocker {
 public:
  explicit Blocker(const fs::path& path) { sqlite3_open(path.c_str(), &db_); }
  ~Blocker() { sqlite3_close(db_); }
  int Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

TEST_F(RegistryStoreTest, AStoreHeldExclusivelyGivesCantReadAndCantWrite) {
  ASSERT_EQ(WriteValue("v", "x"), ERROR_SUCCESS);
  RegistryStore::Close();
  RegistryStore::SetBusyTimeout(50);
  {
    Blocker owner(dir_ / "registry.db");
    ASSERT_EQ(owner.Exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN IMMEDIATE; DELETE FROM vals;"), SQLITE_OK);
    std::string text;
    EXPECT_EQ(ReadValue("v", text), ERROR_CANTREAD);
    EXPECT_EQ(WriteValue("v", "y"), ERROR_CANTWRITE);
    owner.Exec("ROLLBACK");
  }
  std::string text;
  EXPECT_EQ(ReadValue("v", text), ERROR_SUCCESS);
  EXPECT_EQ(text, "x");
}

// The emulation's code page is UTF-8: the largest value size counts a
// string by its UTF-16 form, two bytes a character, four beyond U+FFFF,
// and two for each byte that is no UTF-8.
TEST_F(RegistryStoreTest, TheLargestValueSizeCountsUtf8StringsByTheirWideForm) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto largestFor = [&](const std::string& text) {
    RegDeleteValueA(key, "v");
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &size,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    return size;
  };
  EXPECT_EQ(largestFor("\xC3\xA9\xE2\x82\xAC"), 6u);       // e-acute, euro sign, NUL
  EXPECT_EQ(largestFor("\xF0\x9F\x98\x80"), 6u);            // one beyond U+FFFF, NUL
  EXPECT_EQ(largestFor("\xFF\xFE\x80" "A\xE2\x82"), 14u);  // five stray bytes, A, NUL
  RegCloseKey(key);
}

}  // namespace
