#pragma once
// The 32-bit millisecond tick counter: milliseconds of monotonic time, wrapping
// after about 49.7 days. Callers take differences in unsigned 32-bit arithmetic,
// which stay right across the wrap.

#include <cstdint>
#include <functional>

using TTickSource = std::function<std::uint32_t()>;

std::uint32_t TickCount32();
