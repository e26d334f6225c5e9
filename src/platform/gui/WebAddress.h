#pragma once
// Opening a web address in the desktop's default browser.

#include <string>

// Hands the address to the desktop; raises std::runtime_error with a clear
// message when the desktop cannot open it.
void OpenWebAddress(const std::string& address);
