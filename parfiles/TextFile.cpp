#include "parfiles/TextFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
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

fs::path DirectoryOf(const fs::path& target) {
  return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Temporaries are named ".NAME.PID.SEED.tmp".
std::string TemporaryStem(const fs::path& target) { return "." + target.filename().string() + "."; }

bool AllDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process that made a temporary of the target, when the name is one; 0 otherwise.
pid_t TemporaryWriter(std::string_view name, std::string_view stem) {
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() <= stem.size() + kSuffix.size() || name.substr(0, stem.size()) != stem ||
      name.substr(name.size() - kSuffix.size()) != kSuffix)
    return 0;
  const std::string_view middle = name.substr(stem.size(),
                                              name.size() - stem.size() - kSuffix.size());
  const size_t dot = middle.find('.');
  if (dot == std::string_view::npos) return 0;
  const std::string_view pid = middle.substr(0, dot);
  if (!AllDigits(pid) || pid.size() > 9 || !AllDigits(middle.substr(dot + 1))) return 0;
  return static_cast<pid_t>(std::stol(std::string(pid)));
}

// A write that was interrupted (the process killed between creating its temporary and
// the rename) leaves its temporary behind; the next write of the same file removes it.
// Temporaries of a process that still runs may be in use and stay.
void RemoveLeftovers(const fs::path& target) {
  const std::string stem = TemporaryStem(target);
  std::error_code ec;
  for (fs::directory_iterator it(DirectoryOf(target), ec), end; !ec && it != end;
       it.increment(ec)) {
    const pid_t writer = TemporaryWriter(it->path().filename().string(), stem);
    if (writer <= 0) continue;
    const bool gone = writer == getpid() || (::kill(writer, 0) != 0 && errno == ESRCH);
    if (gone) ::unlink(it->path().c_str());
  }
}

// Opens a new, exclusive file beside the target; -1 when none can be made.
int CreateTemporary(const fs::path& target, std::string& tempPath) {
  const fs::path dir = DirectoryOf(target);
  const std::string stem = TemporaryStem(target);
  const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = (dir /
                (stem + std::to_string(getpid()) + "." + std::to_string(seed + attempt) + ".tmp"))
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
  const fs::path dir = DirectoryOf(target);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

ReadStatus ReadAll(const std::string& path, std::string& bytes) {
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) return ReadStatus::Folder;
  if (!fs::is_regular_file(fs::path(path), ec)) return ReadStatus::Missing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadStatus::Unreadable;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return ReadStatus::Unreadable;
  bytes = std::move(data);
  return ReadStatus::Ok;
}

ReadStatus ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string data;
  const ReadStatus status = ReadAll(path, data);
  if (status != ReadStatus::Ok) return status;
  if (LooksUtf16(data)) return ReadStatus::Utf16;
  SplitLines(data, lines);
  return status;
}

bool LooksUtf16(const std::string& bytes) {
  const auto starts = [&](const char* mark) { return bytes.compare(0, 2, mark) == 0; };
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) return true;
  const size_t n = std::min<size_t>(bytes.size(), 256) / 2 * 2;
  if (n < 4) return false;
  size_t nul[2] = {0, 0};
  for (size_t i = 0; i < n; ++i)
    if (bytes[i] == '\0') ++nul[i % 2];
  const size_t pairs = n / 2;
  for (int side = 0; side < 2; ++side)
    if (nul[side] * 10 >= pairs * 9 && nul[1 - side] * 10 <= pairs) return true;
  return false;
}

bool ReplaceAtomically(const std::string& path, const std::string& text) {
  const fs::path target = ResolveTarget(path);
  RemoveLeftovers(target);
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
