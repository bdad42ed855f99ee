// The emulated registry's store when its file changes underneath a process
// that holds it: replaced, written by others while this process may only
// read, or on a disk that filled up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/emu/RegistryStore.h"
#include "platform/modAPI.h"

namespace {

namespace fs = std::filesystem;

const char* const kKey = "Software\\VtrTest\\File";

LONG WriteValue(const std::string& name, const std::string& text) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return rc;
}

// The value's text, or "<N>" for the code a read answered.
std::string ReadValue(const std::string& name) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key);
  if (rc != ERROR_SUCCESS) return "<" + std::to_string(rc) + ">";
  std::vector<char> buffer(70000);
  DWORD size = static_cast<DWORD>(buffer.size() - 1);
  rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "<" + std::to_string(rc) + ">";
  return std::string(buffer.data());
}

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

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* saved = std::getenv("VTR_REGISTRY")) saved_ = saved;
    std::string pattern = (fs::temp_directory_path() / "vtr-file-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    UseStore(dir_ / "registry.db");
  }
  void TearDown() override {
    RegistryStore::Close();
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    if (saved_) {
      ::setenv("VTR_REGISTRY", saved_->c_str(), 1);
    } else {
      ::unsetenv("VTR_REGISTRY");
    }
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  void UseStore(const fs::path& path) {
    RegistryStore::Close();
    store_ = path;
    ::setenv("VTR_REGISTRY", path.c_str(), 1);
  }

  fs::path dir_;
  fs::path store_;
  bool mounted_ = false;
  std::optional<std::string> saved_;
};

// A full disk: once a write failed for want of space, freeing a little
// space lets writes through again; the journal's own space is reused for
// them rather than waiting for room for a whole journal.
TEST_F(RegistryFileTest, WritesGoThroughAgainOnceALittleSpaceIsFreedOnAFullDisk) {
  if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "a small file system cannot be mounted here (that needs root): " << std::strerror(errno);
  }
  mounted_ = true;
  const std::string big(3000, 'x');
  ASSERT_EQ(WriteValue("first", "value"), ERROR_SUCCESS);
  ASSERT_EQ(WriteValue("big", big), ERROR_SUCCESS);
  // Fill the disk.
  const fs::path filler = dir_ / "filler";
  {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    std::vector<char> block(1024, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  }
  // Rewriting a value grows the journal only: it fails at once.
  LONG failed = ERROR_SUCCESS;
  for (int i = 0; i < 1000 && failed == ERROR_SUCCESS; ++i) failed = WriteValue("big", big + std::to_string(i));
  ASSERT_EQ(failed, ERROR_CANTWRITE);
  // Space for a few writes, far less than a journal's worth: many go through.
  fs::resize_file(filler, fs::file_size(filler) - 16 * 1024);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(WriteValue("big", big + "again" + std::to_string(i)), ERROR_SUCCESS) << i;
  EXPECT_EQ(ReadValue("big"), big + "again199");
  EXPECT_EQ(ReadValue("first"), "value");
  // What was acknowledged is there for another process too.
  RegistryStore::Close();
  EXPECT_EQ(InChild([&] { return ReadValue("big") == big + "again199" && ReadValue("first") == "value" ? 0 : 1; }), 0);
}

}  // namespace
