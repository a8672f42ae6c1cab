// Files on POSIX systems: whole reads, and the safe replace through a new
// file beside the target, fsync and rename.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zanteq::platform {

namespace {

bool fail(std::string& error, int code) {
  error = std::strerror(code);
  return false;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that `path` names: a link followed to its end. A link to a file
// not made yet names where that file will be.
std::string real_target(const std::string& path, bool exists) {
  if (exists) {
    char* real = ::realpath(path.c_str(), nullptr);
    const std::string target = real ? real : path;
    std::free(real);
    return target;
  }
  std::string target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat link {};
    if (::lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) break;
    std::string next(static_cast<std::size_t>(link.st_size > 0 ? link.st_size : 4096), '\0');
    const ssize_t n = ::readlink(target.c_str(), next.data(), next.size());
    if (n <= 0) break;
    next.resize(static_cast<std::size_t>(n));
    target = next.front() == '/' ? next : folder_of(target) + "/" + next;
  }
  return target;
}

// A terminal, a pipe or a device: there is nothing to put beside it.
bool write_in_place(const std::string& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return fail(error, errno);
  const bool written = write_all(fd, bytes);
  const int code = errno;
  if (::close(fd) != 0 && written) return fail(error, errno);
  return written || fail(error, code);
}

// The rename itself reaches the disk with its folder.
void flush_folder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool read_file(const std::string& path, std::string& content, std::string& error, std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(error, errno);
  content.clear();
  char chunk[4096];
  bool ok = true;
  while (content.size() < limit) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = fail(error, errno);
    if (n <= 0) break;
    content.append(chunk, std::min(static_cast<std::size_t>(n), limit - content.size()));
  }
  ::close(fd);
  return ok;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& error) {
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode)) return write_in_place(path, bytes, error);
  if (exists && S_ISDIR(old.st_mode)) return fail(error, EISDIR);
  // Write protection is the user's word, also to root: a file nobody may
  // write stays as it is.
  if (exists && (old.st_mode & 0222) == 0) return fail(error, EACCES);
  if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return fail(error, errno);

  const std::string target = real_target(path, exists);
  std::string fresh = target + ".XXXXXX";
  const int fd = ::mkstemp(fresh.data());  // a name of its own, never through a link
  if (fd < 0) return fail(error, errno);

  mode_t mode = old.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  // A file of another owner (root replacing a user's file) stays theirs;
  // where that is not allowed the new file is ours, with the same mode.
  if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
    static_cast<void>(::fchown(fd, old.st_uid, old.st_gid));
  const bool written = ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
  int code = errno;
  const bool closed = ::close(fd) == 0;
  if (written && !closed) code = errno;
  if (written && closed && ::rename(fresh.c_str(), target.c_str()) == 0) {
    flush_folder(folder_of(target));
    return true;
  }
  if (written && closed) code = errno;
  ::unlink(fresh.c_str());
  return fail(error, code);
}

bool can_write_file(const std::string& path, std::string& error) {
  const bool existed = ::access(path.c_str(), F_OK) == 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return fail(error, errno);
  ::close(fd);
  if (!existed) ::unlink(path.c_str());
  return true;
}

std::filesystem::path file_path(const std::string& path) { return std::filesystem::path(path); }

}  // namespace zanteq::platform
