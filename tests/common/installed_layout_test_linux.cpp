#include "common/installed_layout.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// An installed monitor keeps its settings and log in the player's data folder.
TEST(InstalledLayout, UserDataFollowsXdgDataHomeElseHome) {
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";

    setenv("XDG_DATA_HOME", "/data", 1);
    setenv("HOME", "/home/player", 1);
    EXPECT_EQ(common::UserDataDirectory("varnok"), "/data/varnok/");
    // A relative XDG_DATA_HOME is invalid and ignored, as is an empty one.
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(common::UserDataDirectory("varnok"), "/home/player/.local/share/varnok/");
    setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(common::UserDataDirectory("varnok"), "/home/player/.local/share/varnok/");
    unsetenv("HOME");
    EXPECT_EQ(common::UserDataDirectory("varnok"), "");

    savedXdg ? setenv("XDG_DATA_HOME", xdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}
