#pragma once
// The namespaces this computer serves: hardware and system information, both
// read below `root` ("/" in the product).

#include "Wbem.h"

#include <filesystem>
#include <memory>

std::shared_ptr<TWbemNamespaces> LocalNamespaces(const std::filesystem::path& root = "/");
