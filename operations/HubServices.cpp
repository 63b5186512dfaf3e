#include "operations/HubServices.h"

#include "adapters/PhysicalAddressLookup.h"

void HubServices::FillSystemDefaults() {
    if (!adapters)
        adapters = platform::MakeAdapterSource();
    if (!discoverySocket)
        discoverySocket = [] { return platform::MakeDiscoverySocket(); };
    if (!echoProviders)
        echoProviders = [] { return platform::SystemEchoProviders(); };
    if (!searchDiagnosis)
        searchDiagnosis = platform::MakeSearchDiagnosis();
    if (!lookUpPhysicalAddress)
        lookUpPhysicalAddress = [](CSocketComm& connection, std::string& text) {
            return LookUpHubPhysicalAddress(connection, text);
        };
}
