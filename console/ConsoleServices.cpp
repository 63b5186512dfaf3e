#include "console/ConsoleServices.h"

#include "platform/SaveFile.h"

ConsoleServices ConsoleServices::WithSystemDefaults() const {
    ConsoleServices services = *this;
    services.FillSystemDefaults();
    if (!services.writeFile)
        services.writeFile = [](const std::string& path, std::string_view bytes) {
            return platform::WriteWholeFile(path, bytes);
        };
    if (!services.localTime)
        services.localTime = [] { return platform::LocalTimeNow(); };
    return services;
}
