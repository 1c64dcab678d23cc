// Operators that compute each row of the image from their input alone split
// the rows over the machine's cores: each part a fixed run of rows, the same
// code on every row, so the image is the same to the bit whatever the split.
// Operators that draw on the generator's random sequence or its store slots
// stay on the building thread, in order.
#pragma once
#include <cstdint>
#include <functional>

// Calls body(first, end) for consecutive runs of rows covering 0 .. rows - 1,
// one run on the calling thread and the others on the pool's threads, and
// returns when all are done. Small images are done in one run.
void forRowRuns(int32_t rows, const std::function<void(int32_t first, int32_t end)>& body);

// The runs forRowRuns splits `rows` into (1 for small images).
int32_t rowRunCount(int32_t rows);
// Splits every image into that many runs from now on (0: as many as the
// machine has cores, none for small images); for checking that the split
// changes nothing.
void setRowRuns(int32_t runs);
