#include <gtest/gtest.h>

#include "harness/process.h"

int main(int argc, char** argv) {
    // Under Wine a crashed program can otherwise exit with 0.
    sandbox::ReportCrashes();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
