#include "console/ConsoleServices.h"

#include "adapters/PhysicalAddressLookup.h"

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
    return services;
}
