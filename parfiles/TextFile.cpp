#include "parfiles/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace textfile {
namespace {

void SplitLines(const std::string& data, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
}

// The file that the rename must replace: the target of a symbolic link, else the path.
fs::path ResolveTarget(const std::string& path) {
  std::error_code ec;
  const fs::path p(path);
  if (fs::is_symlink(p, ec)) {
    const fs::path target = fs::canonical(p, ec);
    if (!ec) return target;
  }
  return p;
}

// Opens a new, exclusive file beside the target; -1 when none can be made.
int CreateTemporary(const fs::path& target, std::string& tempPath) {
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string stem = "." + target.filename().string() + ".";
  const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = (dir / (stem + std::to_string(getpid()) + "." +
                       std::to_string(seed + attempt) + ".tmp"))
                   .string();
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Gives the replacement the permission bits of the file it replaces.
void KeepMode(int fd, const fs::path& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
}

// Makes the rename itself durable; a failure here no longer endangers the data.
void SyncDirectory(const fs::path& target) {
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

ReadStatus ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(path), ec)) return ReadStatus::Missing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadStatus::Unreadable;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return ReadStatus::Unreadable;
  SplitLines(data, lines);
  return ReadStatus::Ok;
}

bool ReplaceAtomically(const std::string& path, const std::string& text) {
  const fs::path target = ResolveTarget(path);
  std::string tempPath;
  const int fd = CreateTemporary(target, tempPath);
  if (fd < 0) return false;
  KeepMode(fd, target);
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  SyncDirectory(target);
  return true;
}

}  // namespace textfile
