#include "common/FileOps.h"

#include <filesystem>
#include <system_error>

#include "common/FolderPath.h"

namespace fs = std::filesystem;

namespace fileops {

namespace {

std::string Failure(const std::string& what, const fs::path& path, const std::error_code& ec) {
  return what + " " + path.string() + ": " + ec.message();
}

// One file copy with the overwrite question; true when the file was copied.
bool CopyOne(const fs::path& from, const fs::path& to, const AskOverwrite& ask,
             std::vector<std::string>& errors) {
  std::error_code ec;
  if (fs::exists(to, ec)) {
    if (fs::is_directory(to, ec)) {
      errors.push_back("Cannot copy over the folder " + to.string());
      return false;
    }
    if (!ask || !ask(to.string())) return false;
  }
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) {
    errors.push_back(Failure("Cannot copy to", to, ec));
    return false;
  }
  return true;
}

// The folder itself or anything below it.
bool Inside(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  return fs::equivalent(inner, outer, ec) || LiesInFolder(inner.string(), outer.string());
}

}  // namespace

bool MakeFolder(const std::string& path, std::string& error) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    error = path + " exists already";
    return false;
  }
  if (!fs::create_directory(path, ec)) {
    error = Failure("Cannot create", path, ec);
    return false;
  }
  return true;
}

bool RemoveFolder(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(path, ec)) {
    error = path + " is not a folder";
    return false;
  }
  if (!fs::remove(path, ec)) {
    error = Failure("Cannot delete", path, ec);
    return false;
  }
  return true;
}

int DeleteFiles(const std::string& dir, const std::vector<std::string>& names,
                std::vector<std::string>& errors) {
  int deleted = 0;
  for (const std::string& name : names) {
    const fs::path path = fs::path(dir) / name;
    std::error_code ec;
    const auto status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) continue;
    if (fs::is_directory(status)) {
      errors.push_back(path.string() + " is a folder");
      continue;
    }
    if (fs::remove(path, ec)) {
      ++deleted;
    } else {
      errors.push_back(Failure("Cannot delete", path, ec));
    }
  }
  return deleted;
}

int CopyFiles(const std::string& dir, const std::vector<std::string>& names,
              const std::string& target, const AskOverwrite& ask,
              std::vector<std::string>& errors) {
  std::error_code ec;
  if (!fs::is_directory(target, ec)) {
    errors.push_back("The folder " + target + " does not exist");
    return 0;
  }
  int copied = 0;
  for (const std::string& name : names) {
    const fs::path from = fs::path(dir) / name;
    const fs::path to = fs::path(target) / name;
    if (fs::equivalent(from, to, ec)) {
      errors.push_back("Cannot copy " + from.string() + " onto itself");
      continue;
    }
    if (CopyOne(from, to, ask, errors)) ++copied;
  }
  return copied;
}

int CopyFolder(const std::string& source, const std::string& target, const AskOverwrite& ask,
               std::vector<std::string>& errors) {
  std::error_code ec;
  const fs::path from = fs::path(source).lexically_normal();
  if (!fs::is_directory(from, ec) || !fs::is_directory(target, ec)) {
    errors.push_back("The folder " + (fs::is_directory(from, ec) ? target : source) +
                     " does not exist");
    return 0;
  }
  const fs::path name = from.has_filename() ? from.filename() : from.parent_path().filename();
  const fs::path to = fs::path(target) / name;
  if (name.empty() || Inside(to, from)) {
    errors.push_back("Cannot copy " + source + " into itself");
    return 0;
  }
  int copied = 0;
  fs::create_directories(to, ec);
  auto it = fs::recursive_directory_iterator(from, fs::directory_options::skip_permission_denied,
                                             ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path dest = to / fs::relative(it->path(), from, ec);
    if (it->is_directory(ec)) {
      fs::create_directories(dest, ec);
      if (ec) errors.push_back(Failure("Cannot create", dest, ec));
      ec.clear();
    } else if (CopyOne(it->path(), dest, ask, errors)) {
      ++copied;
    }
  }
  if (ec) errors.push_back(Failure("Cannot read", from, ec));
  return copied;
}

}  // namespace fileops
