#include "common/FolderPath.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ResolveInFolder(const std::string& folder, const std::string& name) {
  const fs::path given(name);
  if (given.is_absolute() || folder.empty()) return name;
  return (fs::path(folder) / given).string();
}

namespace {

// The absolute form with "." and ".." and the links of its existing part resolved,
// without a trailing separator.
bool Normal(const std::string& path, fs::path& out) {
  std::error_code ec;
  out = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (!out.has_filename()) out = out.parent_path();
  return !ec && !path.empty();
}

}  // namespace

bool LiesInFolder(const std::string& path, const std::string& folder) {
  fs::path p, f;
  if (!Normal(path, p) || !Normal(folder, f)) return false;
  // Component by component: "/a/bc" is not inside "/a/b".
  auto pi = p.begin();
  for (const fs::path& part : f) {
    if (pi == p.end() || *pi != part) return false;
    ++pi;
  }
  return pi != p.end();
}

bool SameFile(const std::string& a, const std::string& b) {
  fs::path pa, pb;
  if (!Normal(a, pa) || !Normal(b, pb)) return false;
  std::error_code ec;
  return pa == pb || fs::equivalent(pa, pb, ec);
}
