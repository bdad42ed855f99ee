// The emulated registry's store when its file changes underneath a process
// that holds it: replaced, written by others while this process may only
// read, or on a disk that filled up.
#include <sys/socket.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <tuple>
#include <utility>

#include "tests/EmuStoreTest.h"

namespace {

using namespace emutest;
using RegistryFileTest = StoreTest;

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
  // Fill the disk: the stream writes as much as fits of more than it holds.
  const fs::path filler = dir_ / "filler";
  std::ofstream(filler, std::ios::binary) << std::string(2 << 20, 'f');
  // Rewriting a value grows the journal only: it fails at once.
  LONG failed = ERROR_SUCCESS;
  for (int i = 0; i < 1000 && failed == ERROR_SUCCESS; ++i) failed = WriteValue("big", big + std::to_string(i));
  ASSERT_EQ(failed, ERROR_CANTWRITE);
  // Space for a few writes, far less than a journal's worth: many go through.
  fs::resize_file(filler, fs::file_size(filler) - 16 * 1024);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(WriteValue("big", big + "again" + std::to_string(i)), ERROR_SUCCESS) << i;
  // What was acknowledged is there, for another process too.
  RegistryStore::Close();
  EXPECT_EQ(InChild([&] { return ReadValue("big") == big + "again199" && ReadValue("first") == "value" ? 0 : 1; }), 0);
}

// A checkpoint that the full disk stops half way (it rewrites the pages the
// file has, then cannot make it longer), tried again at each failed write,
// writes the file with no new marks in the journal: that is not taken for
// another program's write, and none of the values waiting in the journal is lost.
TEST_F(RegistryFileTest, ACheckpointStoppedByAFullDiskIsNotTakenForAnotherProgramsWrite) {
  if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "a small file system cannot be mounted here (that needs root): " << std::strerror(errno);
  }
  mounted_ = true;
  const std::string big(3000, 'x');
  for (int i = 0; i < 40; ++i) ASSERT_EQ(WriteValue("grow" + std::to_string(i), big), ERROR_SUCCESS);
  const fs::path filler = dir_ / "filler";
  std::ofstream(filler, std::ios::binary) << std::string(2 << 20, 'f');
  LONG failed = ERROR_SUCCESS;
  for (int i = 0; i < 5; ++i) failed = WriteValue("more", big + std::to_string(i));
  ASSERT_EQ(failed, ERROR_CANTWRITE);
  fs::remove(filler);
  ASSERT_EQ(WriteValue("after", "x"), ERROR_SUCCESS);
  RegistryStore::Close();
  EXPECT_EQ(InChild([&] {
              for (int i = 0; i < 40; ++i) {
                if (ReadValue("grow" + std::to_string(i)) != big) return 1;
              }
              return ReadValue("after") == "x" ? 0 : 2;
            }),
            0);
}

// A child process that holds the store and, each time it is asked, reads
// "v" (answering with the text's last character, 'M' when it is missing and
// 'E' for another error) or writes "peer" ('W' when written, else 'E').
class Peer {
 public:
  explicit Peer(bool asNobody) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);  // so that the test's close ends the loop
      if (asNobody && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(100);
      for (char c = 0; ::read(fds[1], &c, 1) == 1;) {
        const std::string text = c == 'w' ? "" : ReadValue("v");
        if (c == 'w') c = WriteValue("peer", "p") == ERROR_SUCCESS ? 'W' : 'E';
        else c = text == Failed(ERROR_FILE_NOT_FOUND) ? 'M' : text.empty() || text[0] == '<' ? 'E' : text.back();
        if (::write(fds[1], &c, 1) != 1) break;
      }
      ::_exit(0);
    }
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~Peer() { Finish(); }
  char Read() { return Ask('g'); }
  char Write() { return Ask('w'); }
  // Ends the child; its wait status.
  int Finish() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    int status = -1;
    if (pid_ > 0) ::waitpid(std::exchange(pid_, -1), &status, 0);
    return status;
  }

 private:
  char Ask(char c) { return ::write(fd_, &c, 1) == 1 && ::read(fd_, &c, 1) == 1 ? c : '?'; }
  pid_t pid_ = -1;
  int fd_ = -1;
};

// A store file put in place of the one two processes hold (renamed over it,
// the old one deleted and a copy made there, or copied over it in place, the
// same file), or none (the old one deleted): whichever process writes first,
// both writes go into the file at the path, never into the one that is gone,
// and open keys answer 1018, even when a child forked from this one read the
// new file first. The other store is made in another folder: in the
// store's, only the store's own name changes.
TEST_F(RegistryFileTest, AStoreReplacedUnderTwoProcessesIsTheOneBothWriteAfterwards) {
  const fs::path other = dir_ / "other" / "other.db", store = store_;
  fs::create_directory(other.parent_path());
  for (const std::string how : {"rename", "copy", "overwrite", "delete"}) {
    for (const bool peerFirst : {false, true}) {
      SCOPED_TRACE(how + (peerFirst ? ", the other process writing first" : ""));
      RegistryStore::Close();  // the other process makes its own connection (a child keeps its parent's)
      Peer peer(false);
      ASSERT_EQ(WriteValue("before", "old"), ERROR_SUCCESS);
      const HKEY held = rawreg::Created(HKEY_LOCAL_MACHINE, kKey);
      ASSERT_EQ(peer.Read(), 'M');
      // Another process makes a store of its own with "theirs" in it.
      ASSERT_EQ(InChild([&] {
                  std::error_code error;
                  fs::remove(other, error);
                  ::setenv("VTR_REGISTRY", other.c_str(), 1);
                  RegistryStore::Close();
                  if (WriteValue("theirs", "new") != ERROR_SUCCESS) return 1;
                  RegistryStore::Close();
                  if (how == "rename") return std::rename(other.c_str(), store.c_str()) == 0 ? 0 : 2;
                  if (how == "overwrite") {  // the same file, its bytes replaced
                    emu::FileId before, after;
                    emu::FileAt(store, before);
                    std::ofstream(store, std::ios::binary) << std::ifstream(other, std::ios::binary).rdbuf();
                    return emu::FileAt(store, after) && after == before ? 0 : 3;
                  }
                  fs::remove(store, error);
                  if (how == "copy") fs::copy_file(other, store, error);
                  return error ? 2 : 0;
                }),
                0);
      InChild([] { return ReadValue("before").empty() ? 1 : 0; });  // looks before its parent does
      char peerWrote = peerFirst ? peer.Write() : '-';
      EXPECT_EQ(WriteValue("after", "written"), ERROR_SUCCESS);
      peerWrote = peerFirst ? peerWrote : peer.Write();
      EXPECT_EQ(peerWrote, 'W');
      const BYTE data[] = {1};
      EXPECT_EQ(RegSetValueExA(held, "through old handle", 0, REG_BINARY, data, 1), ERROR_KEY_DELETED);
      EXPECT_EQ(RegCloseKey(held), ERROR_SUCCESS);
      // Each process finds in the file what both were told is written, and
      // nothing of the file that was replaced.
      const auto check = [&] {
        return ReadValue("after") == "written" && ReadValue("peer") == "p" &&
               ReadValue("theirs") == (how != "delete" ? "new" : "<2>") && ReadValue("before") == "<2>";
      };
      EXPECT_TRUE(check());
      EXPECT_EQ(InChild([&] { return check() ? 0 : 1; }), 0);
      EXPECT_EQ(peer.Finish(), 0);
    }
  }
  // A journal set aside goes once its last user has gone.
  RegistryStore::Close();
  ASSERT_EQ(ReadValue("after"), "written");
  for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_EQ(entry.path().string().find("-shm."), std::string::npos);
}

// A store in a folder this process may not write, while another writes it:
// every read gives what the other wrote last, or an error, never an older
// value and never a missing one, through the other's journal and after its
// checkpoints. A journal whose -shm is gone cannot be read safely: 1011.
TEST_F(RegistryFileTest, AReaderInAReadOnlyFolderSeesWhatOthersWriteLater) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to write as one user and read as another";
  ASSERT_EQ(WriteValue("v", "1"), ERROR_SUCCESS);
  RegistryStore::Close();  // the last connection: no journal is left
  ASSERT_FALSE(fs::exists(dir_ / "registry.db-wal"));
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(store_.c_str(), 0644), 0);

  Peer reader(true);
  EXPECT_EQ(reader.Read(), '1');  // opened with no journal beside it
  // A writer comes and goes (2, 3): its last close checkpoints into the file
  // and removes the journal, as the reader holds the file only while it
  // reads. Then one keeps its connection (4, 5: its journal and -shm stay),
  // closes (the reader's lock keeps the journal), and another writes (6).
  for (const auto& [value, closeBefore, closeAfter, journalLeft] :
       {std::tuple('2', false, true, false), std::tuple('3', false, true, false), std::tuple('4', false, false, true),
        std::tuple('5', false, false, true), std::tuple('6', true, true, true)}) {
    if (closeBefore) RegistryStore::Close();
    ASSERT_EQ(WriteValue("v", std::string(1, value)), ERROR_SUCCESS);
    if (closeAfter) RegistryStore::Close();
    EXPECT_EQ(fs::exists(dir_ / "registry.db-wal"), journalLeft) << value;
    EXPECT_EQ(reader.Read(), value);
  }
  EXPECT_EQ(reader.Finish(), 0);

  // A reader that comes when the writer has gone and left its journal (with
  // its last writes) but the -shm file was removed: an error, not "6".
  RegistryStore::Close();
  ASSERT_EQ(InChild([] {
              if (WriteValue("v", "7") != ERROR_SUCCESS) return 1;
              ::_exit(0);  // no close: the journal and the -shm stay
            }),
            0);
  ASSERT_GT(fs::file_size(dir_ / "registry.db-wal"), 0u);
  fs::remove(dir_ / "registry.db-shm");
  const int late = InChild(
      [] {
        const std::string text = ReadValue("v");
        return text == "7" ? 0 : text == Failed(ERROR_CANTOPEN) ? 1 : 2;
      },
      kNobody);
  EXPECT_NE(late, 2) << "read a value older than the journal's";
}

}  // namespace
