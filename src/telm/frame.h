// Frames to the card and their checksum.
#pragma once

#include <cstddef>
#include <vector>

namespace telm {

// Two's complement of the 8-bit sum, so that a whole frame sums to 0.
// An empty or absent range gives 1.
unsigned char zSum(const unsigned char* data, size_t length);

// Empty when the text does not fit the 16-bit frame length.
std::vector<unsigned char> buildCommandFrame(int headerByte, const char* text);
// A get (group bit 7 set) carries one 0 byte in place of the value.
std::vector<unsigned char> buildObjectFrame(int headerByte, int group, int index, int object,
                                            const char* value);

// Seconds the rest of a frame is awaited once it has begun, either way.
constexpr int kFrameRestSeconds = 10;

} // namespace telm
