// libFuzzer target for the compound document reader and stream writer; the invariants are
// in tests/spreadsheet/container_exercise.cpp, where the regression tests replay the inputs
// this target has found.
#include <cstddef>
#include <cstdint>

#include "tests/spreadsheet/container_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!cfb_test::ExerciseContainer(data, size)) __builtin_trap();
    return 0;
}
