// Test entry point shared by every test executable; tests find their fixtures through
// KOVRA_TEST_DATA, or the environment variable of that name when run elsewhere (under Wine).
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
