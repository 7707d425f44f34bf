// The GTK tests' program: the X server starts before the first test and
// ends after the last one.
#include "XServer.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new quarrow::test::XServerEnvironment);
    return RUN_ALL_TESTS();
}
