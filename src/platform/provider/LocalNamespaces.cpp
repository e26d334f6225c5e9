#include "LocalNamespaces.h"

#include "GpuLibrary.h"
#include "HardwareProvider.h"
#include "NodeExporterProvider.h"
#include "SystemInfoProvider.h"

std::shared_ptr<TWbemNamespaces> LocalNamespaces(const std::filesystem::path& root)
{
    auto namespaces = std::make_shared<TWbemNamespaces>();
    std::shared_ptr<IGpuLibrary> nvidia = root == "/" ? LoadNvidiaLibrary() : nullptr;
    namespaces->Register(std::string(HardwareNamespace),
                         std::make_shared<THardwareProvider>(root, std::chrono::steady_clock::now, std::move(nvidia)));
    namespaces->Register(std::string(SystemNamespace), std::make_shared<TSystemInfoProvider>(root));
    // Another machine: its node_exporter.
    namespaces->SetRemoteOpener(
        [](const std::string& server, const std::string& caFile) { return NodeExporterNamespaces(server, caFile); });
    return namespaces;
}
