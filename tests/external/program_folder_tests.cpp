#include "external/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "support/temp_dir.h"

namespace meldrit::external {
namespace {

namespace fs = std::filesystem;

// Sets or removes an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(value);
  }
  ~ScopedEnv() { set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name_, value ? value->c_str() : "");
#else
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

#ifdef _WIN32
const char* const kHomeVariable = "APPDATA";
const char* const kUserHomeVariable = "USERPROFILE";
#else
const char* const kHomeVariable = "XDG_CONFIG_HOME";
const char* const kUserHomeVariable = "HOME";
#endif

#ifndef _WIN32
TEST(UserFolder, FollowsTheBaseDirectoryRules) {
  // XDG_CONFIG_HOME, the folder expected under HOME=/home/u
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"/cfg", "/cfg/meldrit"},
      {std::nullopt, "/home/u/.config/meldrit"},
      {"", "/home/u/.config/meldrit"},
      // A relative value is ignored.
      {"cfg", "/home/u/.config/meldrit"},
  };
  const ScopedEnv home(kUserHomeVariable, "/home/u");
  for (const auto& [config, expected] : cases) {
    const ScopedEnv xdg("XDG_CONFIG_HOME", config);
    EXPECT_EQ(user_folder(), expected) << config.value_or("(unset)");
  }
}
#endif

TEST(OwnFilesFolder, IsTheProgramFolderWhileItIsWritable) {
  test::TempDir dir;
  const ScopedEnv config(kHomeVariable, dir.file("config"));
  EXPECT_EQ(own_files_folder(dir.path().string()), dir.path().string());
  EXPECT_FALSE(fs::exists(dir.file("config")));
}

TEST(OwnFilesFolder, IsTheCreatedUserFolderWhenTheProgramFolderIsNot) {
  test::TempDir dir;
  const ScopedEnv config(kHomeVariable, dir.file("config"));
  const std::string folder = own_files_folder(dir.file("no-such-program-folder"));
  EXPECT_EQ(folder, user_folder());
  EXPECT_EQ(fs::path(folder).parent_path(), dir.path() / "config");
  EXPECT_TRUE(fs::is_directory(folder));
#ifndef _WIN32
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(fs::status(dir.file("config")).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  // A second start finds it made.
  EXPECT_EQ(own_files_folder(dir.file("no-such-program-folder")), folder);
}

TEST(DialogFolder, LastUsedThenTheWritableProgramFolderThenHome) {
  test::TempDir dir;
  const ScopedEnv home(kUserHomeVariable, "/home/u");
  const std::string writable = dir.path().string(), missing = dir.file("no-such-program-folder");
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"", writable, writable},
      {"", missing, "/home/u"},
      {"/data/last", writable, "/data/last"},
      {"/data/last", missing, "/data/last"},
  };
  for (const auto& [last, program, expected] : cases)
    EXPECT_EQ(dialog_folder(last, program), expected) << program;
}

TEST(PreferencesFile, UserFolderFirstThenTheProgramFolder) {
  test::TempDir dir;
  const ScopedEnv config(kHomeVariable, dir.file("config"));
  const std::string user = own_files_folder(dir.file("no-such-program-folder"));
  EXPECT_EQ(preferences_file(user), program_folder() + "/kvat.pam");
  dir.write("config/" + fs::path(user).filename().string() + "/kvat.pam", "1\r\n");
  EXPECT_EQ(preferences_file(user), user + "/kvat.pam");
  // Any other folder is a program folder of its own: its file, whether it is there or not.
  EXPECT_EQ(preferences_file(dir.path().string()), dir.path().string() + "/kvat.pam");
}

}  // namespace
}  // namespace meldrit::external
