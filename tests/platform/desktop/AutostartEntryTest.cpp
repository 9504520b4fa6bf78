// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartEntry.h"
#include "ProgramFolder.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string contentsOf(const fs::path &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// desktop-file-validate's verdict; empty when the entry is valid.
std::string validate(const fs::path &path)
{
    QProcess validator;
    validator.start("desktop-file-validate", {QString::fromStdString(path.string())});
    if (!validator.waitForFinished())
        return "desktop-file-validate did not run";
    const QString output = validator.readAll();
    return validator.exitCode() == 0 && !output.contains("error") ? std::string()
                                                                  : output.toStdString();
}

std::string execLine(const fs::path &path)
{
    std::istringstream lines(contentsOf(path));
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("Exec="))
            return line.substr(5);
    return {};
}

TEST(AutostartEntryTest, OnWritesAValidEntryThatStartsThePanelHiddenAndOffRemovesIt)
{
    QTemporaryDir config;
    const AutostartEntry entry(fs::path(config.path().toStdString()) / "autostart");
    std::string error;
    ASSERT_TRUE(entry.enable(AutostartEntry::kLauncher, error)) << error;
    EXPECT_TRUE(entry.isEnabled());
    EXPECT_EQ(entry.path().filename(), "org.orlenta.Orlenta.desktop");
    EXPECT_EQ(execLine(entry.path()), "orlenta --hidden");
    EXPECT_EQ(validate(entry.path()), "");

    // Again over the old one, then away; away twice is no fault.
    ASSERT_TRUE(entry.enable(AutostartEntry::kLauncher, error)) << error;
    ASSERT_TRUE(entry.disable(error)) << error;
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(fs::exists(entry.path()));
    EXPECT_TRUE(entry.disable(error)) << error;
    EXPECT_TRUE(fs::is_empty(entry.path().parent_path())) << "no partial file left";
}

TEST(AutostartEntryTest, AProgramOutsideTheSystemInstallIsStartedByItsPathQuotedForTheExecLine)
{
    QTemporaryDir root;
    const fs::path odd = fs::path(root.path().toStdString()) / "my \"build\" $HOME 100%";
    fs::create_directories(odd);
    const AutostartEntry entry(fs::path(root.path().toStdString()) / "autostart");
    std::string error;
    ASSERT_TRUE(entry.enable(AutostartEntry::commandFor(odd), error)) << error;
    EXPECT_EQ(validate(entry.path()), "");
    EXPECT_EQ(execLine(entry.path()), "\"" + root.path().toStdString() +
                                          R"(/my \\"build\\" \\$HOME 100%%/Orlenta" --hidden)");

    std::ofstream(odd / ProgramFolder::kSystemInstallMarker) << "installed\n";
    EXPECT_EQ(AutostartEntry::commandFor(odd), "orlenta");
}

TEST(AutostartEntryTest, TheUsersFolderFollowsXdgConfigHome)
{
    const char *saved = std::getenv("XDG_CONFIG_HOME");
    const std::string before = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(AutostartEntry::forUser().path(),
              fs::path("/somewhere/config/autostart/org.orlenta.Orlenta.desktop"));
    if (saved)
        setenv("XDG_CONFIG_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(AutostartEntryTest, AFolderThatCannotBeMadeIsAnErrorNotACrash)
{
    QTemporaryDir root;
    const fs::path blocker = fs::path(root.path().toStdString()) / "autostart";
    std::ofstream(blocker) << "a file where the folder should be\n";
    std::string error;
    EXPECT_FALSE(AutostartEntry(blocker).enable(AutostartEntry::kLauncher, error));
    EXPECT_NE(error.find("autostart"), std::string::npos);
}

} // namespace
