#include "console/ConsoleServices.h"

#include "adapters/PhysicalAddressLookup.h"
#include "platform/SaveFile.h"

ConsoleServices ConsoleServices::WithSystemDefaults() const {
    ConsoleServices services = *this;
    if (!services.adapters)
        services.adapters = platform::MakeAdapterSource();
    if (!services.discoverySocket)
        services.discoverySocket = [] { return platform::MakeDiscoverySocket(); };
    if (!services.echoProviders)
        services.echoProviders = [] { return platform::SystemEchoProviders(); };
    if (!services.searchDiagnosis)
        services.searchDiagnosis = platform::MakeSearchDiagnosis();
    if (!services.lookUpPhysicalAddress)
        services.lookUpPhysicalAddress = [](CSocketComm& connection, std::string& text) {
            return LookUpHubPhysicalAddress(connection, text);
        };
    if (!services.writeFile)
        services.writeFile = [](const std::string& path, std::string_view bytes) {
            return platform::WriteWholeFile(path, bytes);
        };
    if (!services.localTime)
        services.localTime = [] { return platform::LocalTimeNow(); };
    return services;
}
