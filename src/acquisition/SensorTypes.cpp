#include "SensorTypes.h"

#include "AsciiText.h"

namespace {

template <std::size_t N>
int IndexIn(const std::array<std::string_view, N>& names, std::string_view name)
{
    if (name.empty()) return 0;
    for (std::size_t i = 1; i < N; ++i)
        if (SameTextIgnoringAsciiCase(names[i], name)) return static_cast<int>(i);
    return 0;
}

} // namespace

int SensorTypeIndex(std::string_view name) { return IndexIn(SensorTypeNames, name); }
int HardwareTypeIndex(std::string_view name) { return IndexIn(HardwareTypeNames, name); }
