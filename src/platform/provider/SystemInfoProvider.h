#pragma once
// The system-information namespace root\CIMV2, class CIM_OperatingSystem:
// host name, pretty host name, the OS's pretty name, the kernel release, the
// number of logged-in user sessions and of processes.

#include "RootFs.h"
#include "Wbem.h"

inline constexpr std::string_view SystemNamespace = "root\\CIMV2";

class TSystemInfoProvider : public IWbemProvider {
public:
    explicit TSystemInfoProvider(std::filesystem::path root);
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override;

private:
    TRootFs FFs;
};
