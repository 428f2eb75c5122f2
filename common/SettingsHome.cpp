#include "common/SettingsHome.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace settingshome {

namespace {

constexpr const char* kConfigFile = "ST_CONFIG.TXT";
constexpr const char* kFolderName = "kelvorin";

std::string UserFolder(const Places& places) {
  const bool configHomeSet = !places.configHome.empty() && places.configHome.front() == '/';
  const std::string base = configHomeSet ? places.configHome : places.home + "/.config";
  return base + "/" + kFolderName;
}

}  // namespace

Choice Choose(const Places& places) {
  if (!places.explicitDir.empty()) return {places.explicitDir, false};
  std::error_code ec;
  if (fs::exists(fs::path(places.programDir) / kConfigFile, ec)) return {places.programDir, false};
  if (places.home.empty() && places.configHome.empty()) return {places.programDir, false};
  return {UserFolder(places), true};
}

std::vector<std::string> Fill(const std::string& folder, const std::string& shippedDir) {
  std::vector<std::string> failures;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return {"cannot create " + folder + ": " + ec.message()};
  fs::directory_iterator it(shippedDir, ec);
  if (ec) return {"cannot read " + shippedDir + ": " + ec.message()};
  for (const auto& entry : it) {
    if (!entry.is_regular_file(ec)) continue;
    const fs::path target = fs::path(folder) / entry.path().filename();
    if (fs::exists(fs::symlink_status(target, ec))) continue;
    fs::copy_file(entry.path(), target, fs::copy_options::skip_existing, ec);
    if (ec)
      failures.push_back("cannot copy " + entry.path().string() + " to " + target.string() + ": " +
                         ec.message());
  }
  return failures;
}

}  // namespace settingshome
