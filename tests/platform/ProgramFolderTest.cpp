// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets or clears one environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const char *value) : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

class ProgramFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("program-folder-test-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(program());
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path program() const { return root_ / "lib" / "orlenta"; }
    fs::path config() const { return root_ / "config"; }

    void markSystemInstall() const
    {
        std::ofstream(program() / ProgramFolder::kSystemInstallMarker) << "installed\n";
    }

    fs::path root_;
};

TEST_F(ProgramFolderTest, PortableFolderKeepsItsFilesBesideTheProgram)
{
    ScopedEnvironment xdg("XDG_CONFIG_HOME", config().c_str());
    EXPECT_TRUE(ProgramFolder::keepsFilesBeside(program()));
    EXPECT_EQ(ProgramFolder::writablePathFor(program()), program());
    EXPECT_FALSE(fs::exists(config()));
}

// The marker decides even where the folder's permissions would allow writing,
// as they do for root.
TEST_F(ProgramFolderTest, SystemInstallWritesToTheCreatedXdgConfigFolder)
{
    markSystemInstall();
    ScopedEnvironment xdg("XDG_CONFIG_HOME", config().c_str());
    ASSERT_EQ(access(program().c_str(), W_OK), 0);
    EXPECT_FALSE(ProgramFolder::keepsFilesBeside(program()));
    EXPECT_EQ(ProgramFolder::writablePathFor(program()), config() / "Orlenta");
    EXPECT_TRUE(fs::is_directory(config() / "Orlenta"));
}

TEST_F(ProgramFolderTest, FolderThatCannotBeWrittenFallsBackToXdg)
{
    ScopedEnvironment xdg("XDG_CONFIG_HOME", config().c_str());
    const fs::path gone = root_ / "removed";
    EXPECT_FALSE(ProgramFolder::keepsFilesBeside(gone));
    EXPECT_EQ(ProgramFolder::writablePathFor(gone), config() / "Orlenta");
}

TEST_F(ProgramFolderTest, ConfigFolderIgnoresRelativeXdgAndMissingHome)
{
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "relative/config");
        ScopedEnvironment home("HOME", root_.c_str());
        EXPECT_EQ(ProgramFolder::userConfigPath(), root_ / ".config" / "Orlenta");
    }
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "");
        ScopedEnvironment home("HOME", nullptr);
        const passwd *account = getpwuid(getuid());
        ASSERT_NE(account, nullptr);
        EXPECT_EQ(ProgramFolder::userConfigPath(),
                  fs::path(account->pw_dir) / ".config" / "Orlenta");
    }
}

TEST(ProgramFolderPath, IsTheFolderOfTheRunningExecutable)
{
    EXPECT_TRUE(fs::exists(ProgramFolder::path() / "test_program_folder"));
}

} // namespace
