#pragma once
#include <cstdint>
// Peak resident memory of this process so far, in bytes.
uint64_t PeakMemoryBytes();
