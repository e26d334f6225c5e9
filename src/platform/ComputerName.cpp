#include "ComputerName.h"

#include <unistd.h>

#include <array>
#include <cstring>

std::optional<std::string> ComputerName()
{
    std::array<char, 261> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0) return std::nullopt;
    std::string name(buffer.data(), ::strnlen(buffer.data(), buffer.size() - 1));
    if (name.empty()) return std::nullopt;
    return name;
}
