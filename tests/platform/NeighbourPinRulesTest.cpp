#include "platform/NeighbourPinRules.h"

#include "platform/linux/NeighHelperProtocol.h"

#include <gtest/gtest.h>

namespace {

using platform::PinRefusal;
using namespace platform::pin_rules;

constexpr platform::PhysicalAddress kHub{0x02, 0x00, 0x5e, 0x12, 0x00, 0x0b};

// An adapter at 198.18.4.1/24 beside another at 198.18.9.1/24, a default route through
// 198.18.4.254 and a policy route through 198.18.4.253.
InterfaceFacts Adapter() {
    InterfaceFacts facts;
    facts.exists = true;
    facts.subnets = {{{198, 18, 4, 1}, 24}};
    facts.ownAddresses = {{127, 0, 0, 1}, {198, 18, 4, 1}, {198, 18, 9, 1}};
    facts.gateways = {{198, 18, 4, 254}, {198, 18, 4, 253}};
    return facts;
}

TEST(NeighbourPinRules, PinsOnlyAHostOfTheAdaptersSubnetThatIsNeitherThePcNorAGateway) {
    const InterfaceFacts facts = Adapter();
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 11}, kHub), PinRefusal::None);
    EXPECT_EQ(CheckPin(facts, {198, 18, 5, 11}, kHub), PinRefusal::NotInSubnet);
    // The other adapter's subnet is not this one's.
    EXPECT_EQ(CheckPin(facts, {198, 18, 9, 11}, kHub), PinRefusal::NotInSubnet);
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 0}, kHub), PinRefusal::NotInSubnet);
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 255}, kHub), PinRefusal::NotInSubnet);
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 1}, kHub), PinRefusal::OwnAddress);
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 254}, kHub), PinRefusal::Gateway);
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 253}, kHub), PinRefusal::Gateway);

    InterfaceFacts gone = facts;
    gone.exists = false;
    EXPECT_EQ(CheckPin(gone, {198, 18, 4, 11}, kHub), PinRefusal::NoSuchInterface);
}

TEST(NeighbourPinRules, PointToPointSubnetsHaveNoNetworkOrBroadcastAddress) {
    InterfaceFacts facts = Adapter();
    facts.subnets = {{{198, 18, 4, 0}, 31}};
    facts.ownAddresses = {{198, 18, 4, 0}};
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 1}, kHub), PinRefusal::None);
    facts.subnets = {{{198, 18, 4, 1}, 32}};
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 2}, kHub), PinRefusal::NotInSubnet);
    facts.subnets = {{{198, 18, 4, 1}, 0}};
    EXPECT_EQ(CheckPin(facts, {198, 18, 4, 2}, kHub), PinRefusal::NotInSubnet);
}

TEST(NeighbourPinRules, PinsOnlyAUnicastPhysicalAddress) {
    const InterfaceFacts facts = Adapter();
    for (const platform::PhysicalAddress& bad :
         {platform::PhysicalAddress{0x01, 0x00, 0x5e, 0x00, 0x00, 0x01},
          platform::PhysicalAddress{0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
          platform::PhysicalAddress{0x33, 0x33, 0x00, 0x00, 0x00, 0x01},
          platform::PhysicalAddress{}}) {
        EXPECT_EQ(CheckPin(facts, {198, 18, 4, 11}, bad), PinRefusal::NotUnicast)
            << FormatPhysicalAddress(bad);
    }
}

TEST(NeighbourPinRules, ReplacesLearntEntriesAndItsOwnButNeverAnothersPermanentOne) {
    EXPECT_EQ(CheckReplace(std::nullopt), PinRefusal::None);
    EXPECT_EQ(CheckReplace(ExistingEntry{false, false}), PinRefusal::None);
    EXPECT_EQ(CheckReplace(ExistingEntry{true, true}), PinRefusal::None);
    EXPECT_EQ(CheckReplace(ExistingEntry{true, false}), PinRefusal::NotOurs);

    EXPECT_EQ(CheckRemove(std::nullopt), PinRefusal::None);
    EXPECT_EQ(CheckRemove(ExistingEntry{true, true}), PinRefusal::None);
    EXPECT_EQ(CheckRemove(ExistingEntry{true, false}), PinRefusal::NotOurs);
    EXPECT_EQ(CheckRemove(ExistingEntry{false, false}), PinRefusal::NotOurs);
}

TEST(NeighbourHelperProtocol, ArgumentsAndAnswersGoBothWaysAndNothingElseIsARequest) {
    namespace nh = platform::neigh_helper;
    const nh::Request add{nh::Verb::Add, 7, {198, 18, 4, 11}, kHub};
    const auto arguments = nh::FormatArguments(add);
    ASSERT_EQ(arguments,
              (std::vector<std::string>{"add", "7", "198.18.4.11", "02:00:5e:12:00:0b"}));
    std::vector<const char*> raw;
    for (const std::string& argument : arguments)
        raw.push_back(argument.c_str());
    const auto parsed = nh::ParseArguments(raw);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->interfaceIndex, 7u);
    EXPECT_EQ(parsed->address, add.address);
    EXPECT_EQ(parsed->physicalAddress, kHub);

    for (const std::vector<const char*>& bad :
         std::vector<std::vector<const char*>>{{},
                                               {"sweep", "now"},
                                               {"add", "7", "198.18.4.11"},
                                               {"add", "0", "198.18.4.11", "02:00:5e:12:00:0b"},
                                               {"add", "07", "198.18.4.11", "02:00:5e:12:00:0b"},
                                               {"add", "-7", "198.18.4.11", "02:00:5e:12:00:0b"},
                                               {"add", "7", "198.18.4", "02:00:5e:12:00:0b"},
                                               {"add", "7", "198.18.4.11", "02-00-5e-12-00-0b"},
                                               {"add", "7", "198.18.4.11", "02:00:5e:12:00:0b:"},
                                               {"remove", "7", "198.18.4.11", "02:00:5e:12:00:0b"},
                                               {"flush"}}) {
        EXPECT_FALSE(nh::ParseArguments(bad)) << (bad.empty() ? "" : bad[0]);
    }

    for (const platform::pin_table::Outcome& outcome :
         {platform::pin_table::Outcome{}, platform::pin_table::Outcome{PinRefusal::Gateway, 0},
          platform::pin_table::Outcome{PinRefusal::None, 13}}) {
        const auto back = nh::ParseAnswer(nh::FormatAnswer(outcome));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->refusal, outcome.refusal);
        EXPECT_EQ(back->error, outcome.error);
    }
    for (const char* garbled : {"", "ok", "ok\nok\n", "refused\n", "refused why\n", "error 0\n",
                                "error 13 \n", "error 99999\n"}) {
        EXPECT_FALSE(nh::ParseAnswer(garbled)) << garbled;
    }
}

TEST(NeighbourPinFailure, SaysWhatIsWrongAndWhatToDo) {
    platform::PinFailure failure;
    failure.kind = platform::PinFailureKind::NoPermission;
    failure.permission = platform::PinPermission::NotInGroup;
    EXPECT_NE(platform::DescribePinFailure(failure).find("\"sudo adduser $USER kestrune\", then "
                                                         "log out and in again"),
              std::string::npos);
    EXPECT_NE(platform::DescribePinFailureRu(failure).find("«sudo adduser $USER kestrune»"),
              std::string::npos);
    failure.permission = platform::PinPermission::NotElevated;
    EXPECT_NE(platform::DescribePinFailure(failure).find("run as administrator"),
              std::string::npos);
    failure.permission = platform::PinPermission::NoHelper;
    failure.detail = "/usr/libexec/kestrune/kestrune-neigh";
    EXPECT_NE(platform::DescribePinFailure(failure).find("not running as root, and the helper "
                                                         "/usr/libexec/kestrune/kestrune-neigh "
                                                         "is missing"),
              std::string::npos);
    failure = {};
    failure.kind = platform::PinFailureKind::SystemError;
    failure.code = 1;
    failure.detail = "Operation not permitted";
    EXPECT_EQ(platform::DescribePinFailure(failure),
              "cannot pin the hub's physical address: Operation not permitted (error 1)");
}

} // namespace
