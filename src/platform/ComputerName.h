#pragma once
#include <optional>
#include <string>

// This computer's name as the system reports it (the host name, at most 260
// characters); nothing when the system cannot tell.
std::optional<std::string> ComputerName();
