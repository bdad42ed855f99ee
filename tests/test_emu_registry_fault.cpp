// Two processes on one store, the writer killed at random moments: nothing
// acknowledged is lost, nothing read is torn, and the store stays sound.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/RegKey.h"
#include "platform/emu/UserData.h"
#include "tests/EmuStoreTest.h"
#include "tests/RegistryFaultData.h"
#include "tests/RegistryTestSupport.h"

namespace {

constexpr int kKills = 20;

// The writer process, from value `first` on, and the pipe of its acknowledgements.
class Writer {
 public:
  explicit Writer(int first) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const std::string firstArg = std::to_string(first);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      ::execl(VTR_FAULT_WRITER, VTR_FAULT_WRITER, firstArg.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~Writer() {
    if (pid_ > 0) Kill();
    if (fd_ >= 0) ::close(fd_);
  }
  bool started() const { return pid_ > 0 && fd_ >= 0; }

  // Counts the acknowledgements that have arrived whole (they come in
  // order, one a line); false once the pipe is closed.
  bool Poll(int& acknowledged, int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    acknowledged += static_cast<int>(std::count(buffer, buffer + std::max<ssize_t>(n, 0), '\n'));
    return n > 0;
  }
  // Kills it (it may have finished first) and gives its wait status.
  int Kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

// Reads one value: true when it is missing and may be, or there and whole.
bool ReadWhole(HKEY key, const std::string& name, int expectNumber) {
  std::vector<BYTE> buffer(4096);
  DWORD type = 0, size = static_cast<DWORD>(buffer.size());
  const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, buffer.data(), &size);
  if (rc == ERROR_FILE_NOT_FOUND && expectNumber < 0) return true;
  if (rc != ERROR_SUCCESS || type != REG_BINARY) return false;
  const std::string data(reinterpret_cast<char*>(buffer.data()), size);
  // Whole: exactly the value its header names.
  const long number = std::strtol(data.c_str(), nullptr, 10);
  return number >= 0 && number < faultdata::kValues && (expectNumber < 0 || number == expectNumber) &&
         data == faultdata::Data(static_cast<int>(number));
}

TEST(RegistryFault, KilledWriterLosesNoAcknowledgedWriteAndTearsNoRead) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, faultdata::kKey);
  // A new seed each run, printed, so a failure can be replayed with
  // VTR_TEST_SEED=<seed>.
  const char* given = std::getenv("VTR_TEST_SEED");
  const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                         : std::random_device{}();
  std::printf("seed: %u (replay with VTR_TEST_SEED=%u)\n", seed, seed);
  SCOPED_TRACE("VTR_TEST_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  const auto below = [&](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); };

  int acknowledged = 0, killed = 0;  // values 0..acknowledged-1 acknowledged
  long reads = 0, tornReads = 0;
  RegKey reader;
  // The value rewritten each time, and an acknowledged one: half the time
  // among the newest.
  const auto readSome = [&] {
    if (!reader && reader.Open(HKEY_LOCAL_MACHINE, faultdata::kKey, KEY_QUERY_VALUE) != ERROR_SUCCESS) return;
    reads += 2;
    if (!ReadWhole(reader.Handle(), "current", -1)) ++tornReads;
    if (acknowledged == 0) return;
    const int newest = acknowledged - 1;
    const int pick = below(2) == 0 ? newest - below(std::min(newest, 50) + 1) : below(newest + 1);
    if (!ReadWhole(reader.Handle(), faultdata::Name(pick), pick)) ++tornReads;
  };

  for (int run = 0; acknowledged < faultdata::kValues; ++run) {
    Writer writer(acknowledged);  // on from the first value not acknowledged
    ASSERT_TRUE(writer.started());
    // Killed at a random moment after a random share of the values, but the last run.
    const int killAfter = acknowledged + below(faultdata::kValues / kKills);
    const auto killAt = std::chrono::microseconds(below(3000));
    bool open = true;
    while (open && (run >= kKills || acknowledged < killAfter)) {
      open = writer.Poll(acknowledged, 1);
      readSome();
    }
    if (!open) {
      const int status = writer.Kill();
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
      continue;
    }
    for (const auto until = std::chrono::steady_clock::now() + killAt; std::chrono::steady_clock::now() < until;) {
      writer.Poll(acknowledged, 0);
      readSome();
    }
    const int status = writer.Kill();
    ASSERT_TRUE(WIFEXITED(status) ? WEXITSTATUS(status) == 0 : WTERMSIG(status) == SIGKILL) << status;
    killed += WIFSIGNALED(status) ? 1 : 0;
    while (writer.Poll(acknowledged, 0)) {
    }
  }
  EXPECT_GT(killed, kKills / 2);  // most kills land while it writes
  EXPECT_EQ(tornReads, 0) << "of " << reads << " reads";
  EXPECT_GT(reads, 1000);

  // Every acknowledged write is there, whole.
  ASSERT_TRUE(reader);
  int missing = 0;
  for (int i = 0; i < acknowledged; ++i) missing += ReadWhole(reader.Handle(), faultdata::Name(i), i) ? 0 : 1;
  EXPECT_EQ(missing, 0);
  reader.Close();
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, faultdata::kKey);
  emu::RegistryStore::Close();

  EXPECT_EQ(emutest::Connection(emu::RegistryStorePath()).Text("PRAGMA integrity_check"), "ok");
}

}  // namespace
