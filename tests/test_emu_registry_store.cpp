// The emulated registry's store (systems without Windows): where it lives,
// how it is made and closed, and how its own failures reach a caller.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/RegKey.h"
#include "tests/EmuStoreTest.h"
#include "tests/RegistryTestSupport.h"

namespace {

using namespace emutest;

LONG OpenSoftware() { return RegKey().Open(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ); }

using RegistryStoreTest = StoreTest;

// Without VTR_REGISTRY the store lives in the user's data folder: an
// absolute XDG_DATA_HOME's, or else the home folder's.
TEST_F(RegistryStoreTest, WithoutVtrRegistryTheStoreLivesInTheUsersDataFolder) {
  const fs::path home = dir_ / "home", data = dir_ / "data";
  for (const char* dataHome : {data.c_str(), "relative", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(dataHome != nullptr ? dataHome : "unset");
    const fs::path expected = (dataHome == data.c_str() ? data : home / ".local/share") / "vantorel/registry.db";
    EXPECT_EQ(InChild([&] {
                for (const char* name : {"VTR_REGISTRY", "XDG_DATA_HOME"}) ::unsetenv(name);
                ::setenv("HOME", home.c_str(), 1);
                if (dataHome != nullptr) ::setenv("XDG_DATA_HOME", dataHome, 1);
                RegistryStore::Close();
                return WriteValue("v", "x") == ERROR_SUCCESS && fs::exists(expected) ? 0 : 1;
              }),
              0);
    fs::remove_all(home);
  }
}

// What cannot serve as a store answers with its code, is never written,
// and is tried again at the next call.
TEST_F(RegistryStoreTest, APlaceThatCannotServeAsAStoreAnswersWithItsCodeAndIsLeftAsItIs) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    LONG code;
  } cases[] = {
      {"notes.db", [](const fs::path& p) { std::ofstream(p) << "These are someone's notes, not a registry.\n"; },
       ERROR_BADDB},
      {"empty.db", [](const fs::path& p) { std::ofstream{p}; }, ERROR_BADDB},
      {"other.db", [](const fs::path& p) { Connection(p).Exec("CREATE TABLE mine(x); INSERT INTO mine VALUES(1);"); },
       ERROR_BADDB},
      {"folder.db", [](const fs::path& p) { fs::create_directories(p); }, ERROR_CANTOPEN},
      {"file/registry.db", [](const fs::path& p) { std::ofstream{p.parent_path()}; }, ERROR_CANTOPEN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir_ / c.name;
    c.make(path);
    const std::string before = fs::is_regular_file(path) ? FileText(path) : "";
    UseStore(path);
    EXPECT_EQ(OpenSoftware(), c.code);
    EXPECT_EQ(WriteValue("v", "x"), c.code);
    if (fs::is_regular_file(path)) {
      EXPECT_EQ(FileText(path), before);
    }
    EXPECT_FALSE(fs::exists(path.string() + "-wal"));
  }
  UseStore(dir_ / "registry.db");
  EXPECT_EQ(OpenSoftware(), ERROR_SUCCESS);
}

// A read-only file, or a file in a read-only folder (where no journal can be
// made): reads work, writes answer 5 and change nothing.
TEST_F(RegistryStoreTest, AReadOnlyStoreReadsButRefusesWrites) {
  ASSERT_EQ(WriteValue("v", "before"), ERROR_SUCCESS);
  // The file read-only, its folder open for SQLite's shared-memory file,
  // without which a WAL database cannot be read at all; then the other way.
  for (const auto& [fileMode, folderMode] : {std::pair(0444, 0777), std::pair(0644, 0555)}) {
    SCOPED_TRACE(folderMode);
    RegistryStore::Close();  // the last connection: no journal is needed after it
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(store_.string() + suffix);
    ASSERT_EQ(::chmod(store_.c_str(), static_cast<mode_t>(fileMode)), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), static_cast<mode_t>(folderMode)), 0);
    EXPECT_EQ(InChild([] {
                int failures = 0;
                if (OpenSoftware() != ERROR_SUCCESS) failures |= 1;
                if (ReadValue("v") != "before") failures |= 2;
                if (WriteValue("v", "after") != ERROR_ACCESS_DENIED) failures |= 4;
                if (ReadValue("v") != "before") failures |= 8;
                return failures;
              }, ::geteuid() == 0 ? std::optional<uid_t>(kNobody) : std::nullopt),
              0)
        << "1: open failed, 2: read failed, 4: write not refused with 5, 8: data changed";
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  }
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

// Closing the store forgets its handles and what it knew of its paths: the
// next store is read afresh, and the first is found again as it was.
TEST_F(RegistryStoreTest, ClosingForgetsTheHandlesAndPathsOfTheStoreClosed) {
  ASSERT_EQ(WriteValue("v", "first"), ERROR_SUCCESS);
  const HKEY held = rawreg::Created(HKEY_LOCAL_MACHINE, kKey);
  EXPECT_EQ(RegistryStore::OpenHandleCount(), 1);
  UseStore(dir_ / "second.db");
  EXPECT_EQ(RegistryStore::OpenHandleCount(), 0);
  EXPECT_EQ(RegQueryValueExA(held, "v", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  // Here another key takes the place the first store's key had.
  ASSERT_EQ(rawreg::WriteValue(HKEY_LOCAL_MACHINE, "Software\\VtrTest\\Other", "v", REG_SZ, rawreg::Sz("other")),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadValue("v"), Failed(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(WriteValue("v", "second"), ERROR_SUCCESS);
  UseStore(dir_ / "registry.db");
  EXPECT_EQ(ReadValue("v"), "first");
}

// A write finds its key gone only once it has written: what it wrote is
// undone, so no value is left behind without a key.
TEST_F(RegistryStoreTest, AWriteToADeletedKeyLeavesNoValueBehind) {
  const HKEY key = rawreg::Created(HKEY_LOCAL_MACHINE, kKey);
  const BYTE data[] = {1, 2, 3};
  ASSERT_EQ(RegSetValueExA(key, "kept", 0, REG_BINARY, data, sizeof data), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "new", 0, REG_BINARY, data, sizeof data), ERROR_KEY_DELETED);
  EXPECT_EQ(RegSetValueExA(key, "kept", 0, REG_BINARY, data, sizeof data), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  RegistryStore::Close();
  EXPECT_EQ(Connection(store_).Text("SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)"), "0");
}

// Keys go 512 levels below their root, no deeper: from the root in one call,
// or from a key on the way; a path too deep makes nothing.
TEST_F(RegistryStoreTest, KeysGoNoDeeperThan512LevelsBelowTheirRoot) {
  const auto create = [](HKEY parent, const std::string& path, HKEY* key) {
    return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, nullptr);
  };
  std::string path = "Software\\Deep";
  for (int level = 3; level <= 512; ++level) path += "\\k";
  HKEY key = nullptr, deeper = nullptr;
  ASSERT_EQ(create(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
  EXPECT_EQ(create(key, "k", &deeper), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(deeper, nullptr);
  RegCloseKey(key);
  EXPECT_EQ(create(HKEY_CURRENT_USER, "Software\\Deeper" + path.substr(13) + "\\k", &deeper), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Deeper", 0, KEY_READ, &deeper), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryStoreTest, AStoreHeldExclusivelyGivesCantReadAndCantWrite) {
  ASSERT_EQ(WriteValue("v", "x"), ERROR_SUCCESS);
  RegistryStore::Close();
  RegistryStore::SetBusyTimeout(50);
  {
    Connection owner(store_);
    ASSERT_EQ(owner.Exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN IMMEDIATE; DELETE FROM vals;"), SQLITE_OK);
    EXPECT_EQ(ReadValue("v"), Failed(ERROR_CANTREAD));
    EXPECT_EQ(WriteValue("v", "y"), ERROR_CANTWRITE);
    owner.Exec("ROLLBACK");
  }
  EXPECT_EQ(ReadValue("v"), "x");
}

}  // namespace
