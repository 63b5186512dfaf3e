#include "platform/SocketLibrary.h"

#include <gtest/gtest.h>

// The socket library is started once for every test of a Windows test program, as the
// program's own start-up starts it (nothing is started on Linux).
namespace {

class SocketLibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::uint16_t version = 0;
        ASSERT_EQ(platform::StartSocketLibrary(version), 0);
        ASSERT_EQ(version, platform::kSocketLibraryVersion);
    }
    void TearDown() override { platform::StopSocketLibrary(); }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new SocketLibraryEnvironment);

} // namespace
