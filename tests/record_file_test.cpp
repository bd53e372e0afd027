// The file "record" that ToArray writes: permissions, owner, links and the
// fallbacks where no atomic replacement is possible. Permissions do not bind
// root, so under root each case runs in a child process as "nobody".
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "bioapi_data/bir.h"
#include "sample_records.h"
#include "test_files.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "pipe failed";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string result;
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 ||
        ::setuid(uid) != 0) {
      result = kSkip + std::string("cannot drop root's privileges (setuid)");
    } else {
      result = test();
    }
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

#endif

}  // namespace
}  // namespace BioAPI_Data
