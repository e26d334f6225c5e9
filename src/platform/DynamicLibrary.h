#pragma once
// A shared library loaded at run time, its symbols kept to itself.

#include <string>

class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary() { Close(); }
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // Loads the file; false when it is missing or no loadable library. No
    // message is shown either way.
    bool Open(const std::string& path);
    bool IsOpen() const { return FHandle != nullptr; }
    // The address of an exported name, or null.
    void* Symbol(const char* name) const;
    // The exported function `name` as the pointer type of `function`; false
    // (and a null pointer) when the library has no such name.
    template <class F> bool Bind(F& function, const char* name) const
    {
        function = reinterpret_cast<F>(Symbol(name));
        return function != nullptr;
    }
    void Close();

private:
    void* FHandle = nullptr;
};
