#include "common/single_instance.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

TEST(SingleInstance, OneHolderPerNameAndPrefixesAreOtherNames) {
    // Unique to this run, so parallel runs of the tests never meet.
    const std::string name = "zandrel-test-" + std::to_string(std::random_device{}()) + "-held";
    ASSERT_TRUE(common::AcquireSingleInstance(name));
    EXPECT_FALSE(common::AcquireSingleInstance(name));
    EXPECT_FALSE(common::AcquireSingleInstance(name)) << "a refused attempt must not disturb the holder";
    EXPECT_TRUE(common::AcquireSingleInstance(name + "x"));
    EXPECT_TRUE(common::AcquireSingleInstance(name.substr(0, name.size() - 1)));
}
