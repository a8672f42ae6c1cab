// The safe replace on a real file system: the content arrives whole, the
// old file's mode stays, a link stays a link, a read-only file and a write
// that fails half way leave the old file and no new one behind, and a
// terminal is written as it is.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"

namespace zanteq::platform {
namespace {

class Folder {
 public:
  Folder() {
    char name[] = "/tmp/zanteq-files-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~Folder() {
    for (const std::string& name : names()) ::unlink(at(name).c_str());
    ::rmdir(path_.c_str());
  }
  std::string at(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  std::string path_;
};

std::string content_of(const std::string& path) {
  std::string content, error;
  EXPECT_TRUE(read_file(path, content, error)) << path << ": " << error;
  return content;
}

mode_t mode_of(const std::string& path) {
  struct stat s {};
  ::lstat(path.c_str(), &s);
  return s.st_mode;
}

TEST(ReplaceFile, WritesTheWholeContentKeepsTheModeAndFollowsLinks) {
  Folder folder;
  const std::string file = folder.at("site.dat"), link = folder.at("current.dat");
  const std::string bytes = std::string("030\r\n\x82\xa0\r\n") + std::string(5000, 'x');
  std::string error;

  ASSERT_TRUE(replace_file(file, bytes, error)) << error;
  EXPECT_EQ(content_of(file), bytes);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(mode_of(file) & 07777, 0666 & ~mask) << "a new file gets what any new file gets";

  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_EQ(::symlink("site.dat", link.c_str()), 0);
  ASSERT_TRUE(replace_file(link, "second", error)) << error;
  EXPECT_TRUE(S_ISLNK(mode_of(link))) << "the link stays a link";
  EXPECT_EQ(content_of(file), "second");
  EXPECT_EQ(mode_of(file) & 07777, 0640u);

  // A link to a file not made yet makes that file.
  const std::string ahead = folder.at("ahead.dat");
  ASSERT_EQ(::symlink("later.dat", ahead.c_str()), 0);
  ASSERT_TRUE(replace_file(ahead, "third", error)) << error;
  EXPECT_TRUE(S_ISLNK(mode_of(ahead)));
  EXPECT_EQ(content_of(folder.at("later.dat")), "third");

  EXPECT_EQ(folder.names(), (std::vector<std::string>{"ahead.dat", "current.dat", "later.dat", "site.dat"}))
      << "no new file left beside them";

  std::string head;
  ASSERT_TRUE(read_file(file, head, error, 3));
  EXPECT_EQ(head, "sec");
}

TEST(ReplaceFile, AFailureLeavesTheOldFileAndNoNewOne) {
  Folder folder;
  const std::string file = folder.at("site.dat");
  std::string error;
  ASSERT_TRUE(replace_file(file, "old content", error)) << error;

  // Write-protected: refused, even to root.
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(replace_file(file, "new content", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(content_of(file), "old content");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);

  // A disk that fills half way: the largest file this process may write.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  error.clear();
  const bool replaced = replace_file(file, std::string(100, 'n'), error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(content_of(file), "old content");

  EXPECT_FALSE(replace_file(folder.at("no-such-folder/x.dat"), "x", error));
  EXPECT_FALSE(replace_file(folder.at(""), "a folder", error));
  EXPECT_EQ(folder.names(), std::vector<std::string>{"site.dat"}) << "the new file was removed";

  EXPECT_TRUE(can_write_file(folder.at("probe.dat"), error)) << error;
  EXPECT_FALSE(can_write_file(folder.at("no-such-folder/x.dat"), error));
  EXPECT_EQ(folder.names(), std::vector<std::string>{"site.dat"}) << "the question leaves no file";
}

TEST(ReplaceFile, ATerminalIsWrittenAsItIs) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string terminal = ::ptsname(master);
  // Held open, so the bytes wait on the line for the master to read.
  const int held = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(held, 0);
  std::string error;
  EXPECT_TRUE(replace_file(terminal, "VAB01100", error)) << error;
  EXPECT_TRUE(S_ISCHR(mode_of(terminal)));
  char got[16] = {};
  EXPECT_EQ(::read(master, got, sizeof got), 8);
  EXPECT_EQ(std::string(got), "VAB01100");
  ::close(held);
  ::close(master);
}

}  // namespace
}  // namespace zanteq::platform
