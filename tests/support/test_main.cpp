// The entry point of every test program. It gives the tests a home and a
// configuration folder of their own inside the build folder, so no test can
// read or write the settings of the person running the suite, whether the
// program is started by CTest or by hand, and runs widgets headless.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("HOME", VY_TEST_HOME, 1);
    setenv("XDG_CONFIG_HOME", VY_TEST_HOME "/config", 1);
    setenv("XDG_DATA_HOME", VY_TEST_HOME "/data", 1);
    setenv("XDG_CACHE_HOME", VY_TEST_HOME "/cache", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("VY_SOURCE_DIR", VY_TEST_SOURCE_DIR, 1);
    setenv("VY_BINARY_DIR", VY_TEST_BINARY_DIR, 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
