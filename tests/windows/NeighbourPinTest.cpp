#include "platform/NeighbourPin.h"

#include <gtest/gtest.h>

namespace {

// The program starts and pins on any Windows, also one whose IP Helper lacks the neighbour
// entry calls (Wine's has none): a pin there fails with a reason instead of the program
// failing to load. An interface that does not exist is refused before anything changes.
TEST(NeighbourPin, FailsWithAReasonWhereItCannotPin) {
    const auto pinner = platform::MakeNeighbourPinner();
    const auto result = pinner->Pin(0x7ffffff0u, {198, 18, 4, 11}, {0x02, 0, 0x5e, 0x12, 0, 0x0b});
    EXPECT_FALSE(result.pin);
    if (result.failure.kind == platform::PinFailureKind::SystemError) {
        EXPECT_EQ(result.failure.code, 120u); // ERROR_CALL_NOT_IMPLEMENTED
    } else {
        EXPECT_EQ(result.failure.refusal, platform::PinRefusal::NoSuchInterface);
    }
    EXPECT_NE(platform::DescribePinFailure(result.failure), "");
    EXPECT_FALSE(pinner->SweepLeftovers());
}

} // namespace
