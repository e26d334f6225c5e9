#include "DynamicLibrary.h"

#include <dlfcn.h>

bool TDynamicLibrary::Open(const std::string& path)
{
    Close();
    // Local symbols: the library's names never stand in for the program's.
    FHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return FHandle != nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const { return FHandle ? ::dlsym(FHandle, name) : nullptr; }

void TDynamicLibrary::Close()
{
    if (FHandle) ::dlclose(FHandle);
    FHandle = nullptr;
}
