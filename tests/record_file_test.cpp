// The file "record" that ToArray writes: permissions, owner, links and the
// fallbacks where no atomic replacement is possible. Permissions do not bind
// root, so under root each case runs in a child process as "nobody".
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "bioapi_data/bir.h"
#include "sample_records.h"
#include "test_files.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <cstddef>
#include <cstdio>
#else
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace BioAPI_Data {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

const Bytes kOldRecord = {1, 2, 3};

#ifdef _WIN32
constexpr bool kStatCountsLinks = false;  // msvcrt's stat always counts one
#else
constexpr bool kStatCountsLinks = true;
#endif

// What a case found wrong, line by line; empty when nothing.
class Findings {
 public:
  void Expect(bool holds, const std::string& what) {
    if (!holds) text_ += what + "\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The record that the cases write, and what ToArray returned for it.
Bytes NewRecord() { return testing::FullRecord(100).Encode(); }

std::size_t FilesIn(const fs::path& directory) {
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(directory)) {
    (void)entry;
    ++files;
  }
  return files;
}

// Runs ToArray and notes whether it returned the record, as it must whatever
// happens to the file.
void ToArray(Findings& findings) {
  findings.Expect(testing::FullRecord(100).ToArray() == NewRecord(),
                  "ToArray did not return the record");
}

#ifndef _WIN32

constexpr char kSkip = '\x01';  // marks a reason to skip in a case's result
constexpr char kDone = '\x02';  // ends the result of a child that finished

unsigned Mode(const char* path) {
  struct stat status {};
  if (::lstat(path, &status) != 0) return ~0u;
  return static_cast<unsigned>(status.st_mode & 07777);
}

ino_t Inode(const char* path) {
  struct stat status {};
  return ::lstat(path, &status) == 0 ? status.st_ino : 0;
}

std::string Octal(unsigned mode) {
  char text[16];
  std::snprintf(text, sizeof text, "0%o", mode);
  return text;
}

void MakeFile(const char* path, const Bytes& bytes, unsigned mode) {
  testing::WriteFileBytes(path, bytes);
  ::chmod(path, static_cast<mode_t>(mode));
}

// Runs `body` in a child process and returns what it returned (what the
// case found wrong, or a reason to skip that starts with kSkip).
std::string RunInChild(const std::function<std::string()>& body) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "pipe failed";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string result = body();
    result += kDone;
    const char* next = result.data();
    std::size_t left = result.size();
    while (left > 0) {
      const ssize_t n = ::write(pipe_fds[1], next, left);
      if (n <= 0) break;
      next += n;
      left -= static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    result.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  // The exit code is not looked at: valgrind, for one, turns the memory that
  // _exit leaves in use into exit code 1.
  if (result.empty() || result.back() != kDone) {
    return result + "the child process ended before finishing the case";
  }
  result.pop_back();
  return result;
}

// Makes every later open of an unnamed file (O_TMPFILE) in this process and
// its children fail with EOPNOTSUPP, as on a file system or a kernel without
// them, so that the writer names its temporary file from the start. False
// where the system takes no such filter (an emulator, a kernel without
// seccomp).
bool RefuseUnnamedFiles() {
#if defined(__linux__) && defined(O_TMPFILE)
  // The low half of the flags argument: where it lies depends on the byte
  // order.
  constexpr std::size_t kFlags =
      offsetof(seccomp_data, args) + 2 * sizeof(std::uint64_t) +
      (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0);
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kFlags),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
    return false;
  }
  const int fd = ::open(".", O_TMPFILE | O_WRONLY, 0600);
  if (fd >= 0) ::close(fd);
  return fd < 0 && errno == EOPNOTSUPP;
#else
  return false;
#endif
}

// Whether RefuseUnnamedFiles works here, tried in a child process.
bool UnnamedFilesCanBeRefused() {
  return RunInChild([] { return RefuseUnnamedFiles() ? "" : "no"; }).empty();
}

// Runs `test` in the working directory as a user for whom permissions apply:
// the current one, or under root "nobody" in a child process that owns the
// directory. Returns what the case found wrong, or a reason to skip that
// starts with kSkip.
std::string RunUnprivileged(const std::function<std::string()>& test) {
  if (::geteuid() != 0) return test();
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return kSkip + std::string("no user \"nobody\"");
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  if (::chown(".", uid, gid) != 0) {
    return kSkip + std::string("cannot give the directory to \"nobody\"");
  }
  return RunInChild([&] {
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 ||
        ::setuid(uid) != 0) {
      return kSkip + std::string("cannot drop root's privileges (setuid)");
    }
    return test();
  });
}

#define EXPECT_UNPRIVILEGED(...)                             \
  do {                                                       \
    const std::string found = RunUnprivileged(__VA_ARGS__);  \
    if (!found.empty() && found[0] == kSkip) {               \
      GTEST_SKIP() << "needs a user whom permissions bind: " \
                   << found.substr(1);                       \
    }                                                        \
    EXPECT_EQ(found, "");                                    \
  } while (false)

#else

// Windows has no root to escape: the case runs here.
#define EXPECT_UNPRIVILEGED(...) EXPECT_EQ((__VA_ARGS__)(), "")

#endif

// Whether `path` is a symbolic link (on Windows, any reparse point).
bool IsLink(const char* path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
  return fs::is_symlink(path);
#endif
}

// The names in the working directory other than those given.
std::string OtherFiles(std::initializer_list<std::string> known) {
  std::string others;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) {
      others += " " + name;
    }
  }
  return others;
}

class RecordFileTest : public ::testing::Test {
 protected:
  testing::ScopedTempDirectory directory_;
};

// A read-only file (mode 0444, or the read-only attribute on Windows) cannot
// be opened for writing, so it keeps its record; ToArray still returns.
TEST_F(RecordFileTest, ReadOnlyFileIsLeftUntouched) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    testing::WriteFileBytes("record", kOldRecord);
    const auto read_only =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions("record", read_only);
    ToArray(f);
    f.Expect(testing::ReadFileBytes("record") == kOldRecord,
             "the read-only file was changed");
    f.Expect((fs::status("record").permissions() & fs::perms::owner_write) ==
                 fs::perms::none,
             "the file is no longer read-only");
    f.Expect(FilesIn(".") == 1, "a file was left beside \"record\"");
    fs::permissions("record", fs::perms::owner_write, fs::perm_options::add);
    return f.Text();
  });
}

// Renaming a new file over one of several names of a file would leave the
// other names with the old record: such a file is written in place.
TEST_F(RecordFileTest, EveryHardLinkSeesTheRecord) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    testing::WriteFileBytes("record", kOldRecord);
    std::error_code error;
    fs::create_hard_link("record", "other", error);
    if (error) return "cannot make a hard link: " + error.message();
    ToArray(f);
    f.Expect(testing::ReadFileBytes("record") == NewRecord(),
             "\"record\" does not hold the record");
    f.Expect(testing::ReadFileBytes("other") == NewRecord(),
             "the other link does not hold the record");
    f.Expect(!kStatCountsLinks || fs::hard_link_count("record", error) == 2,
             "the hard link was broken");
    return f.Text();
  });
}

// Something other than a file under the name is never replaced.
TEST_F(RecordFileTest, DirectoryNamedRecordIsLeftAlone) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    fs::create_directory("record");
    testing::WriteFileBytes("record/inside", kOldRecord);
    ToArray(f);
    f.Expect(fs::is_directory("record"), "the directory was replaced");
    f.Expect(testing::ReadFileBytes("record/inside") == kOldRecord,
             "the directory's content changed");
    f.Expect(FilesIn(".") == 1, "a file was left beside \"record\"");
    return f.Text();
  });
}

#ifndef _WIN32

// The replacement keeps the permission bits, even with a umask of 0 that
// would let a new file open wider.
TEST_F(RecordFileTest, ReplacementKeepsThePermissionBits) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    const mode_t umask_before = ::umask(0);
    for (unsigned mode : {0600u, 0640u, 0604u, 0660u, 0664u, 0700u}) {
      MakeFile("record", kOldRecord, mode);
      const ino_t inode_before = Inode("record");
      ToArray(f);
      f.Expect(Inode("record") != inode_before,
               Octal(mode) + ": not replaced by a new file");
      f.Expect(testing::ReadFileBytes("record") == NewRecord(),
               Octal(mode) + ": the file does not hold the record");
      f.Expect(
          Mode("record") == mode,
          Octal(mode) + ": the file came back as " + Octal(Mode("record")));
      f.Expect(FilesIn(".") == 1, Octal(mode) + ": a file was left behind");
    }
    ::umask(umask_before);
    return f.Text();
  });
}

// A new file gets what a plain open gives it: 0666 less the umask.
TEST_F(RecordFileTest, NewFileTakesTheModeOfAPlainOpen) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    const mode_t umask_before = ::umask(0);
    for (unsigned umask : {0u, 022u, 027u, 077u}) {
      ::umask(static_cast<mode_t>(umask));
      ToArray(f);
      f.Expect(testing::ReadFileBytes("record") == NewRecord(),
               "umask " + Octal(umask) + ": no record");
      f.Expect(Mode("record") == (0666u & ~umask),
               "umask " + Octal(umask) + ": the new file has mode " +
                   Octal(Mode("record")));
      ::unlink("record");
    }
    ::umask(umask_before);
    return f.Text();
  });
}

// Where no temporary file can be made beside it, the file is written in
// place; where it does not exist, nothing can be made.
TEST_F(RecordFileTest, UnwritableDirectoryWritesTheFileInPlace) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    ::mkdir("closed", 0755);
    MakeFile("closed/record", kOldRecord, 0640);
    ::chmod("closed", 0555);
    if (::chdir("closed") != 0) return std::string("chdir failed");
    ToArray(f);
    f.Expect(testing::ReadFileBytes("record") == NewRecord(),
             "the writable file kept its old record");
    f.Expect(Mode("record") == 0640, "the mode changed");
    f.Expect(FilesIn(".") == 1, "a file was left behind");
    ::chmod(".", 0755);
    ::unlink("record");
    ::chmod(".", 0555);
    ToArray(f);
    f.Expect(!fs::exists("record"), "a file was made in a closed directory");
    ::chmod(".", 0755);
    if (::chdir("..") != 0) f.Expect(false, "chdir back failed");
    return f.Text();
  });
}

// A symbolic link is followed to the file it names, whose directory holds
// the temporary file; a link that names no file makes that file.
TEST_F(RecordFileTest, SymbolicLinkIsWrittenThrough) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    ::mkdir("data", 0755);
    MakeFile("data/target.bir", kOldRecord, 0600);
    ::symlink("data/target.bir", "record");
    ToArray(f);
    f.Expect(fs::is_symlink("record"), "the link was replaced");
    f.Expect(testing::ReadFileBytes("data/target.bir") == NewRecord(),
             "the target does not hold the record");
    f.Expect(Mode("data/target.bir") == 0600,
             "the target came back as " + Octal(Mode("data/target.bir")));
    f.Expect(FilesIn(".") == 2 && FilesIn("data") == 1,
             "a file was left behind");

    // A chain of links, the second one relative to its own directory.
    ::unlink("record");
    ::symlink("data/link", "record");
    ::symlink("target.bir", "data/link");
    MakeFile("data/target.bir", kOldRecord, 0640);
    ToArray(f);
    f.Expect(fs::is_symlink("record") && fs::is_symlink("data/link"),
             "chain: a link was replaced");
    f.Expect(testing::ReadFileBytes("data/target.bir") == NewRecord(),
             "chain: the target does not hold the record");
    f.Expect(Mode("data/target.bir") == 0640, "chain: the mode changed");

    // The target's directory closed: written in place.
    MakeFile("data/target.bir", kOldRecord, 0640);
    ::chmod("data", 0555);
    ToArray(f);
    ::chmod("data", 0755);
    f.Expect(testing::ReadFileBytes("data/target.bir") == NewRecord(),
             "closed directory: the target does not hold the record");
    f.Expect(FilesIn("data") == 2, "closed directory: a file left behind");

    // A dangling link: its target is made.
    ::unlink("record");
    ::symlink("data/new.bir", "record");
    ToArray(f);
    f.Expect(fs::is_symlink("record"), "dangling: the link was replaced");
    f.Expect(testing::ReadFileBytes("data/new.bir") == NewRecord(),
             "dangling: the target was not made");

    // A loop of links: nothing to write, nothing made.
    ::unlink("record");
    ::symlink("record", "record");
    ToArray(f);
    f.Expect(fs::is_symlink("record"), "loop: the link was replaced");
    return f.Text();
  });
}

// A FIFO is not a file to replace, and opening it must not wait for a reader.
TEST_F(RecordFileTest, FifoIsLeftAlone) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    ::mkfifo("record", 0600);
    ToArray(f);
    f.Expect(fs::is_fifo("record"), "the FIFO was replaced");
    return f.Text();
  });
}

// Root replaces another user's file with one that has the same owner.
TEST_F(RecordFileTest, ReplacementKeepsTheOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can keep another owner";
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user \"nobody\"";
  MakeFile("record", kOldRecord, 0640);
  ASSERT_EQ(::chown("record", nobody->pw_uid, nobody->pw_gid), 0);
  EXPECT_EQ(testing::FullRecord(100).ToArray(), NewRecord());
  struct stat status {};
  ASSERT_EQ(::stat("record", &status), 0);
  EXPECT_EQ(testing::ReadFileBytes("record"), NewRecord());
  EXPECT_EQ(status.st_uid, nobody->pw_uid);
  EXPECT_EQ(status.st_gid, nobody->pw_gid);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// A user who may write another user's file but not give a file its owner
// writes it in place, so the file keeps its owner.
TEST_F(RecordFileTest, OwnerThatCannotBeKeptMeansWritingInPlace) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another's file";
  MakeFile("record", kOldRecord, 0666);
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    ToArray(f);
    struct stat status {};
    f.Expect(::stat("record", &status) == 0 && status.st_uid == 0,
             "the file changed owner");
    f.Expect(testing::ReadFileBytes("record") == NewRecord(),
             "the file does not hold the record");
    f.Expect(Mode("record") == 0666, "the mode changed");
    return f.Text();
  });
}

// A record of `bdb_size` bytes of BDB, all `fill`, so that records of the
// same size tell apart and a mix of two is seen.
BIR RecordOf(std::size_t bdb_size, unsigned char fill) {
  BIR bir = testing::FullRecord(0);
  bir.BiometricData.assign(bdb_size, fill);
  return bir;
}

// Set-user-id and set-group-id bits survive the replacement (a write or a
// change of owner clears them, so the mode comes last) and the in-place
// write of a hard-linked file.
TEST_F(RecordFileTest, SetIdBitsAreKept) {
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    for (const bool linked : {false, true}) {
      for (unsigned mode : {04755u, 02775u, 06750u, 02700u}) {
        const std::string what = Octal(mode) + (linked ? " (hard-linked)" : "");
        ::unlink("other");
        MakeFile("record", kOldRecord, mode);
        if (Mode("record") != mode) {
          f.Expect(false, what + ": the file system refused the mode");
          continue;
        }
        if (linked) ::link("record", "other");
        const ino_t inode_before = Inode("record");
        ToArray(f);
        f.Expect(testing::ReadFileBytes("record") == NewRecord(),
                 what + ": no record");
        f.Expect(linked == (Inode("record") == inode_before),
                 what +
                     ": replaced where it should be written in place, or "
                     "the reverse");
        f.Expect(Mode("record") == mode,
                 what + ": came back as " + Octal(Mode("record")));
      }
    }
    return f.Text();
  });
}

// Runs a shell command; true when it exits with 0.
bool Shell(const std::string& command) {
  std::fflush(nullptr);
  return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

// The access ACL as getfacl prints it, without comments.
std::string Acl(const char* path) {
  const std::string out = std::string("acl.") + std::to_string(::getpid());
  if (!Shell(std::string("getfacl -c -n ") + path + " > ../" + out)) {
    return "(getfacl failed)";
  }
  const Bytes text = testing::ReadFileBytes("../" + out);
  ::unlink(("../" + out).c_str());
  return std::string(text.begin(), text.end());
}

// The replacement carries the POSIX ACL: copying only the mode would turn
// the ACL's mask into group bits and drop the named entries. A file without
// an ACL gains none from its directory's default ACL.
TEST_F(RecordFileTest, AclIsCarriedOver) {
  if (!Shell("command -v setfacl && command -v getfacl")) {
    GTEST_SKIP() << "setfacl and getfacl (Debian: acl) are not installed";
  }
  MakeFile("probe", kOldRecord, 0600);
  if (!Shell("setfacl -m u:daemon:r probe")) {
    GTEST_SKIP() << "the file system of " << fs::current_path()
                 << " takes no ACL";
  }
  ::unlink("probe");
  EXPECT_UNPRIVILEGED([] {
    Findings f;
    MakeFile("record", kOldRecord, 0640);
    f.Expect(Shell("setfacl -m u:daemon:r,g::-,m::r record"), "setfacl");
    const std::string before = Acl("record");
    const ino_t inode_before = Inode("record");
    ToArray(f);
    f.Expect(Inode("record") != inode_before, "not replaced by a new file");
    f.Expect(testing::ReadFileBytes("record") == NewRecord(), "no record");
    f.Expect(Acl("record") == before,
             "the ACL was\n" + before + "and is\n" + Acl("record"));

    MakeFile("plain", kOldRecord, 0600);
    ::unlink("record");
    ::rename("plain", "record");
    const std::string plain = Acl("record");
    f.Expect(Shell("setfacl -d -m u:daemon:rw ."), "setfacl -d");
    ToArray(f);
    f.Expect(Acl("record") == plain,
             "the directory's default ACL reached "
             "the file:\n" +
                 Acl("record"));
    f.Expect(Mode("record") == 0600, "the mode changed");
    Shell("setfacl -k .");
    return f.Text();
  });
}

// Other extended attributes go with the record where the file system keeps
// them.
TEST_F(RecordFileTest, ExtendedAttributesAreCarriedOver) {
  MakeFile("record", kOldRecord, 0644);
  if (::setxattr("record", "user.origin", "scanner-7", 9, 0) != 0) {
    GTEST_SKIP() << "the file system of " << fs::current_path()
                 << " takes no user attribute";
  }
  const ino_t inode_before = Inode("record");
  EXPECT_EQ(testing::FullRecord(100).ToArray(), NewRecord());
  EXPECT_NE(Inode("record"), inode_before);
  char value[16] = {};
  EXPECT_EQ(::getxattr("record", "user.origin", value, sizeof value), 9);
  EXPECT_STREQ(value, "scanner-7");
}

// As root, whom the mode does not stop from opening the file, a file that
// grants writing to nobody keeps its record all the same.
TEST_F(RecordFileTest, ReadOnlyFileBindsRootToo) {
  if (::geteuid() != 0) GTEST_SKIP() << "the case of root";
  for (unsigned mode : {0444u, 0400u, 0000u, 04555u}) {
    SCOPED_TRACE(Octal(mode));
    MakeFile("record", kOldRecord, mode);
    EXPECT_EQ(testing::FullRecord(100).ToArray(), NewRecord());
    EXPECT_EQ(testing::ReadFileBytes("record"), kOldRecord);
    EXPECT_EQ(Mode("record"), mode);
    EXPECT_EQ(FilesIn("."), 1u);
    ::unlink("record");
  }
}

// A FIFO that a reader holds open, so that opening it for writing succeeds,
// and a device are not files to replace.
TEST_F(RecordFileTest, FifoWithAReaderAndDevicesAreLeftAlone) {
  const bool root = ::geteuid() == 0;
  const bool device = root && ::mknod("record", S_IFCHR | 0666,
                                      ::makedev(1, 3)) == 0;  // /dev/null
  EXPECT_UNPRIVILEGED([device] {
    Findings f;
    if (device) {
      ToArray(f);
      struct stat status {};
      f.Expect(::lstat("record", &status) == 0 && S_ISCHR(status.st_mode),
               "the device was replaced");
      ::unlink("record");
    }
    ::mkfifo("record", 0600);
    const int reader = ::open("record", O_RDONLY | O_NONBLOCK);
    f.Expect(reader >= 0, "cannot open the FIFO for reading");
    ToArray(f);
    f.Expect(fs::is_fifo("record"), "the FIFO was replaced");
    ::close(reader);
    ::unlink("record");
    // Through a link, the system's own device.
    ::symlink("/dev/null", "record");
    ToArray(f);
    f.Expect(
        fs::is_symlink("record") && fs::read_symlink("record") == "/dev/null",
        "the link to /dev/null was replaced");
    f.Expect(FilesIn(".") == 1, "a file was left:" + OtherFiles({"record"}));
    return f.Text();
  });
}

// The kernel follows the link, so its protection of links in sticky
// world-writable directories applies: a link that another user planted there
// is not followed to the caller's file.
TEST_F(RecordFileTest, KernelRefusesALinkPlantedInAStickyDirectory) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another's link";
  const Bytes setting =
      testing::ReadFileBytes("/proc/sys/fs/protected_symlinks");
  if (setting.empty() || setting[0] != '1') {
    GTEST_SKIP() << "fs.protected_symlinks is not 1 on this machine, so the "
                    "kernel follows every link";
  }
  const passwd* nobody = ::getpwnam("nobody");
  const passwd* daemon = ::getpwnam("daemon");
  if (nobody == nullptr || daemon == nullptr) {
    GTEST_SKIP() << "no users \"nobody\" and \"daemon\"";
  }
  ::mkdir("sticky", 01777);
  ::chmod("sticky", 01777);
  MakeFile("victim", kOldRecord, 0644);
  ASSERT_EQ(::chown("victim", nobody->pw_uid, nobody->pw_gid), 0);
  ASSERT_EQ(::symlink("../victim", "sticky/record"), 0);
  ASSERT_EQ(::lchown("sticky/record", daemon->pw_uid, daemon->pw_gid), 0);
  const std::string found = RunInChild([&] {
    Findings f;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
        ::setuid(nobody->pw_uid) != 0 || ::chdir("sticky") != 0) {
      return kSkip + std::string("cannot become \"nobody\"");
    }
    ToArray(f);
    return f.Text();
  });
  if (!found.empty() && found[0] == kSkip) GTEST_SKIP() << found.substr(1);
  EXPECT_EQ(found, "");
  EXPECT_EQ(testing::ReadFileBytes("victim"), kOldRecord);
  EXPECT_TRUE(fs::is_symlink("sticky/record"));
}

// Runs `test` in a child process whose working directory is a new tmpfs of
// `options` ("size=1m,nr_inodes=64"), in a mount namespace of its own: as
// root directly, otherwise in a user namespace as well. A reason to skip
// where the machine allows neither.
std::string RunOnSmallFileSystem(const std::string& options,
                                 const std::function<std::string()>& test) {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  return RunInChild([&]() -> std::string {
    if (uid == 0) {
      if (::unshare(CLONE_NEWNS) != 0) {
        return kSkip + std::string("unshare(CLONE_NEWNS) refused");
      }
    } else {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return kSkip + std::string("user namespaces are not allowed");
      }
      const auto put = [](const char* path, const std::string& text) {
        const int fd = ::open(path, O_WRONLY);
        const bool done = fd >= 0 && ::write(fd, text.data(), text.size()) ==
                                         static_cast<ssize_t>(text.size());
        if (fd >= 0) ::close(fd);
        return done;
      };
      put("/proc/self/setgroups", "deny");
      if (!put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
          !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        return kSkip + std::string("cannot map the user namespace");
      }
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", ".", "tmpfs", 0, (options + ",mode=0777").c_str()) !=
            0 ||
        ::chdir(fs::current_path().c_str()) != 0) {
      return kSkip + std::string("cannot mount a small tmpfs");
    }
    return test();
  });
}

#define EXPECT_ON_SMALL_FILE_SYSTEM(options, ...)                         \
  do {                                                                    \
    const std::string found = RunOnSmallFileSystem(options, __VA_ARGS__); \
    if (!found.empty() && found[0] == kSkip) {                            \
      GTEST_SKIP() << "needs a small file system: " << found.substr(1);   \
    }                                                                     \
    EXPECT_EQ(found, "");                                                 \
  } while (false)

// Fills the file system with the file "filler" and then frees `left` bytes
// of it.
void FillLeaving(std::size_t left) {
  const int fd = ::open("filler", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const std::vector<char> block(4096, 'f');
  off_t size = 0;
  for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;) {
    size += n;
  }
  (void)::ftruncate(fd, size > static_cast<off_t>(left)
                            ? size - static_cast<off_t>(left)
                            : 0);
  ::close(fd);
}

// Uses up the file system's inodes with empty files "i0", "i1", ...
void UseUpInodes() {
  for (int i = 0; i < 100000; ++i) {
    const int fd = ::open(("i" + std::to_string(i)).c_str(),
                          O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return;
    ::close(fd);
  }
}

// A full disk never costs the old record, on every path: the atomic one
// with no room for the temporary file or no inode to make it, and the
// in-place ones (a hard-linked file, a directory where no file may be made),
// whose space is reserved before the old record is touched. No temporary
// file is left.
TEST_F(RecordFileTest, FullDiskKeepsTheOldRecord) {
  const Bytes old_record = RecordOf(300000, 0x11).Encode();
  const BIR larger = RecordOf(600000, 0x22);
  struct Case {
    const char* name;
    const char* options;
    bool (*set_up)();  // false when the case cannot be made here
  };
  const Case cases[] = {
      {"no room for the temporary file", "size=1m",
       [] {
         FillLeaving(200000);
         return true;
       }},
      {"no inode for the temporary file", "size=1m,nr_inodes=64",
       [] {
         FillLeaving(200000);
         UseUpInodes();
         return true;
       }},
      {"hard-linked, written in place", "size=1m",
       [] {
         FillLeaving(200000);
         return ::link("record", "other") == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_ON_SMALL_FILE_SYSTEM(c.options, [&] {
      Findings f;
      testing::WriteFileBytes("record", old_record);
      f.Expect(testing::ReadFileBytes("record") == old_record,
               "cannot write the old record");
      if (!c.set_up()) return kSkip + std::string("cannot set up the case");
      f.Expect(larger.ToArray().size() == 600000 + (old_record.size() - 300000),
               "ToArray did not return the record");
      f.Expect(testing::ReadFileBytes("record") == old_record,
               std::string(c.name) + ": the old record was lost");
      f.Expect(OtherFiles({"record", "other", "filler"}).find(".tmp") ==
                   std::string::npos,
               std::string(c.name) + ": a temporary file was left");
      // With room again the record is written.
      ::unlink("filler");
      for (int i = 0; ::unlink(("i" + std::to_string(i)).c_str()) == 0; ++i) {
      }
      larger.ToArray();
      f.Expect(testing::ReadFileBytes("record") == larger.Encode(),
               std::string(c.name) + ": no record once there is room");
      return f.Text();
    });
  }
}

// In a directory where the user may make no file, the record is written in
// place; a full disk there too leaves the old record whole.
TEST_F(RecordFileTest, FullDiskKeepsTheOldRecordInAClosedDirectory) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root: in a user namespace the owner of the small "
                    "file system is not bound by its directory's mode";
  }
  const Bytes old_record = RecordOf(300000, 0x11).Encode();
  EXPECT_ON_SMALL_FILE_SYSTEM("size=1m", [&] {
    ::mkdir("closed", 0755);
    testing::WriteFileBytes("closed/record", old_record);
    ::chmod("closed/record", 0666);
    FillLeaving(200000);
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr ||
        ::chown("closed", nobody->pw_uid, nobody->pw_gid) != 0) {
      return kSkip + std::string("cannot give a directory to \"nobody\"");
    }
    return RunUnprivileged([&] {
      Findings f;
      if (::chmod("closed", 0555) != 0 || ::chdir("closed") != 0) {
        return std::string("cannot close the directory");
      }
      const BIR larger = RecordOf(600000, 0x22);
      larger.ToArray();
      f.Expect(testing::ReadFileBytes("record") == old_record,
               "the old record was lost");
      f.Expect(FilesIn(".") == 1, "a file was left");
      return f.Text();
    });
  });
}

// The bytes of a file, read in one piece (large files are slow through a
// stream iterator in a debug build).
Bytes ReadWhole(const char* path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  Bytes bytes(
      static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0)));
  file.seekg(0);
  file.read(reinterpret_cast<char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// Starts a child process that writes `records` in turn with ToArray until it
// is killed, with named temporary files only when `named`; returns its id
// once it has begun its first write.
pid_t StartWriter(const std::vector<BIR>& records, bool named) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    if (named) (void)RefuseUnnamedFiles();
    (void)::write(ready[1], "r", 1);
    for (std::size_t i = 0;; ++i) records[i % records.size()].ToArray();
  }
  ::close(ready[1]);
  char byte = 0;
  (void)::read(ready[0], &byte, 1);
  ::close(ready[0]);
  return child;
}

// Kills a writer at random moments of a large write, ten times. After each
// kill the atomic path leaves the old record or the new one, whole; the next
// call writes its record and removes the temporary file that the killed one
// left, also one named from the start (where the system has no unnamed
// files). The in-place path (a hard-linked file) cannot be atomic, but the
// next call still writes a whole record: the killed writer's lock is gone.
TEST_F(RecordFileTest, KilledWriterLeavesAWholeRecordAndNoTemporaryFile) {
  // Large enough that a write takes some milliseconds.
  const std::vector<BIR> records = {RecordOf(4u << 20, 0x33),
                                    RecordOf(4u << 20, 0x44)};
  const std::vector<Bytes> encoded = {records[0].Encode(), records[1].Encode()};
  const auto start = std::chrono::steady_clock::now();
  records[0].ToArray();
  const auto write_time = std::chrono::steady_clock::now() - start;
  std::mt19937 random(12345);
  struct Mode {
    const char* name;
    bool linked;
    bool named;
  };
  for (const Mode& mode : {Mode{"atomic", false, false},
                           Mode{"atomic, named temporary files", false, true},
                           Mode{"hard-linked, in place", true, false}}) {
    SCOPED_TRACE(mode.name);
    const bool linked = mode.linked;
    if (mode.named && !UnnamedFilesCanBeRefused()) {
      std::printf("%s: skipped, no seccomp filter here\n", mode.name);
      continue;
    }
    if (linked) {
      ASSERT_EQ(::link("record", "other"), 0);
    }
    int torn = 0;
    for (int round = 0; round < 10; ++round) {
      const pid_t writer = StartWriter(records, mode.named);
      ASSERT_GT(writer, 0);
      // Some calls into its loop, at any point of a call.
      std::this_thread::sleep_for(
          write_time * std::uniform_int_distribution<int>(1000, 4000)(random) /
          1000);
      ::kill(writer, SIGKILL);
      int status = 0;
      ::waitpid(writer, &status, 0);
      const Bytes after_kill = ReadWhole("record");
      const bool whole = after_kill == encoded[0] || after_kill == encoded[1];
      if (!linked) {
        EXPECT_TRUE(whole) << "round " << round << ": " << after_kill.size()
                           << " bytes, neither record";
      }
      torn += whole ? 0 : 1;
      records[1].ToArray();
      EXPECT_EQ(ReadWhole("record"), encoded[1]) << "round " << round;
      EXPECT_EQ(OtherFiles({"record", "other"}), "") << "round " << round;
    }
    if (linked) {
      std::printf("in place: %d of 10 kills left a mix of two records\n", torn);
      EXPECT_EQ(ReadWhole("other"), encoded[1]);
    }
  }
}

// Writers in several processes on a file with two hard links take turns:
// when they are done the file holds one whole record, under both names.
TEST_F(RecordFileTest, ConcurrentWritersOnAHardLinkedFileLeaveAWholeRecord) {
  const std::vector<BIR> records = {RecordOf(2u << 20, 0x55),
                                    RecordOf(64u << 10, 0x66),
                                    RecordOf(1u << 20, 0x77)};
  std::vector<Bytes> encoded;
  for (const BIR& r : records) encoded.push_back(r.Encode());
  testing::WriteFileBytes("record", kOldRecord);
  ASSERT_EQ(::link("record", "other"), 0);
  for (int round = 0; round < 10; ++round) {
    std::vector<pid_t> writers;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::fflush(nullptr);
    for (const BIR& record : records) {
      const pid_t child = ::fork();
      if (child == 0) {
        // All begin at once, when the pipe closes.
        char byte = 0;
        ::close(start[1]);
        (void)::read(start[0], &byte, 1);
        for (int i = 0; i < 10; ++i) record.ToArray();
        ::_exit(0);
      }
      writers.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t writer : writers) {
      int status = 0;
      ::waitpid(writer, &status, 0);
    }
    const Bytes result = ReadWhole("record");
    EXPECT_TRUE(std::find(encoded.begin(), encoded.end(), result) !=
                encoded.end())
        << "round " << round << ": " << result.size()
        << " bytes, no whole record";
    EXPECT_EQ(ReadWhole("other"), result);
    EXPECT_EQ(fs::hard_link_count("record"), 2u);
  }
}

#endif

// A temporary file that a killed call left (record.SLOT.tmp, where writers
// take the lowest slot free) is removed by the next call, on both paths (a
// new file, a replaced one), also past slots in use; one that a live writer
// holds, one that another program holds open, and whatever only looks alike
// (names, a directory, a link) are not.
TEST_F(RecordFileTest, OnlyStaleTemporaryFilesOfTheWriterAreRemoved) {
  const std::initializer_list<const char*> kept_files = {
      "record.01.tmp", "record.1x.tmp", "record.5.tmp.bak", "other.5.tmp",
      "record.123.4.tmp"};
  const std::initializer_list<const char*> stale_files = {"record.0.tmp",
                                                          "record.6.tmp"};
#ifdef _WIN32
  const bool can_refuse = false;
#else
  const bool can_refuse = UnnamedFilesCanBeRefused();
#endif
  for (const auto& [existing, named] :
       {std::pair{false, false}, std::pair{true, false}, std::pair{false, true},
        std::pair{true, true}}) {
    if (named && !can_refuse) continue;
    SCOPED_TRACE(
        std::string(existing ? "replacing \"record\"" : "making \"record\"") +
        (named ? ", named temporary file" : ""));
    for (const auto& entry : fs::directory_iterator(".")) {
      fs::remove_all(entry.path());
    }
    if (existing) testing::WriteFileBytes("record", kOldRecord);
    for (const char* name : stale_files) {
      testing::WriteFileBytes(name, kOldRecord);
    }
    for (const char* name : kept_files) {
      testing::WriteFileBytes(name, kOldRecord);
    }
    fs::create_directory("record.3.tmp");
#ifdef _WIN32
    // Needs the right to make links (or developer mode); libstdc++ makes
    // none, and Wine reports one made without making it.
    const bool linked =
        CreateSymbolicLinkW(L"record.5.tmp", L"other.5.tmp",
                            SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        IsLink("record.5.tmp");
#else
    std::error_code no_link;
    fs::create_symlink("other.5.tmp", "record.5.tmp", no_link);
    const bool linked = !no_link;
#endif
    testing::WriteFileBytes("record.1.tmp", kOldRecord);
    testing::WriteFileBytes("record.2.tmp", kOldRecord);
#ifdef _WIN32
    // Another program's handle, even one that shares its deletion.
    const HANDLE held =
        CreateFileW(L"record.1.tmp", GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // A live writer between writing its temporary file and renaming it
    // marks the file by its identity.
    HANDLE mark = nullptr;
    {
      const HANDLE file =
          CreateFileW(L"record.2.tmp", FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      BY_HANDLE_FILE_INFORMATION info{};
      ASSERT_TRUE(GetFileInformationByHandle(file, &info));
      CloseHandle(file);
      const unsigned long long index =
          (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) |
          info.nFileIndexLow;
      const std::wstring name = L"Global\\BioAPI_Data." +
                                std::to_wstring(info.dwVolumeSerialNumber) +
                                L"." + std::to_wstring(index);
      mark = CreateMutexW(nullptr, FALSE, name.c_str());
    }
    ASSERT_NE(mark, nullptr);
#else
    const int held = ::open("record.1.tmp", O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);  // as a live writer holds its own
    const int mark = ::open("record.2.tmp", O_RDONLY);
    ASSERT_EQ(::flock(mark, LOCK_SH), 0);
    ::mkfifo("record.4.tmp", 0600);
#endif
#ifndef _WIN32
    if (named) {
      // The writer takes a slot past those in use, and leaves none behind.
      EXPECT_EQ(RunInChild([] {
                  Findings f;
                  f.Expect(RefuseUnnamedFiles(), "no seccomp filter");
                  ToArray(f);
                  return f.Text();
                }),
                "");
    } else
#endif
    {
      EXPECT_EQ(testing::FullRecord(100).ToArray(), NewRecord());
    }
    EXPECT_EQ(testing::ReadFileBytes("record"), NewRecord());
    EXPECT_EQ(OtherFiles({"record", "record.1.tmp", "record.2.tmp",
                          "record.3.tmp", "record.4.tmp", "record.5.tmp",
                          "other.5.tmp", "record.01.tmp", "record.1x.tmp",
                          "record.5.tmp.bak", "record.123.4.tmp"}),
              "");
    for (const char* name : stale_files) {
      EXPECT_FALSE(fs::exists(name)) << name;
    }
    for (const char* name : kept_files) {
      EXPECT_EQ(testing::ReadFileBytes(name), kOldRecord) << name;
    }
    EXPECT_TRUE(fs::is_directory("record.3.tmp"));
    if (linked) {
      EXPECT_TRUE(IsLink("record.5.tmp"));
    }
#ifdef _WIN32
    CloseHandle(held);
    CloseHandle(mark);
#else
    EXPECT_TRUE(fs::is_fifo("record.4.tmp"));
    ::close(held);
    ::close(mark);
#endif
    // Still there once let go: not deleted on its last close either.
    EXPECT_TRUE(fs::exists("record.1.tmp"));
    EXPECT_TRUE(fs::exists("record.2.tmp"));
  }
}

}  // namespace
}  // namespace BioAPI_Data
