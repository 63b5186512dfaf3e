#pragma once

#include "operations/HubServices.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/support/FakeDiscoverySocket.h"
#include "tests/support/FakeEcho.h"
#include "tests/support/FakeSearchDiagnosis.h"

#include <memory>
#include <string>

// The PC of a test without a network: fake adapters, discovery socket, echo and empty-
// search reading, and a physical address lookup that always finds the same hub. A fixture
// takes it as a base and hands its services to what it tests.
struct FakeHubPc {
    // The hub operations' services over these fakes, sessions on hubService's port.
    void UseFakes(HubServices& services, const std::string& hubService = {}) {
        services.adapters = adapters;
        services.discoverySocket = [this] {
            return std::make_unique<FakeDiscoverySocket>(discovery);
        };
        services.echoProviders = [this] { return echo.Providers(); };
        services.searchDiagnosis = diagnosis;
        services.lookUpPhysicalAddress = [](CSocketComm&, std::string& text) {
            text = "02-00-5E-12-00-0B";
            return std::string("Физический адрес хаба: 02-00-5E-12-00-0B\r\n");
        };
        if (!hubService.empty())
            services.hubService = hubService;
    }

    std::shared_ptr<FakeAdapterSource> adapters = std::make_shared<FakeAdapterSource>();
    FakeDiscoverySocket discovery;
    FakeEcho echo;
    std::shared_ptr<FakeSearchDiagnosis> diagnosis = std::make_shared<FakeSearchDiagnosis>();
};
