// The invariants the container fuzz target checks, shared with the regression tests that
// replay the inputs it found.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cfb_test {

// Opens the bytes as a compound document; if that works, every stream must read to an end
// with a result that agrees with its length, and one stream (chosen by the input) is
// overwritten with content of a length taken from the input: the write either fails
// cleanly, or the stream reads back as written and every other stream as before in a
// document reopened from the result. False when an invariant is broken.
bool ExerciseContainer(const uint8_t* data, size_t size);

}  // namespace cfb_test
