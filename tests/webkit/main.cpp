// The WebKit tests' program: the X server starts before the first test and
// ends after the last one. Scroll bars take room of their own here (no
// overlay scroll bars), so a page that shows one has a narrower client
// area, which is what the scroll bar tests look at.
#include "XServer.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("GTK_OVERLAY_SCROLLING", "0", 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new quarrow::test::XServerEnvironment);
    return RUN_ALL_TESTS();
}
