#include <gtest/gtest.h>

#include <set>
#include <unordered_set>

#include "platform/DateFormatting.h"
#include "platform/ProcessInfo.h"
#include "platform/UUID.h"
#include "support/TestHome.h"

using namespace platform;

namespace {

class DateAndIdentifierTest : public testsupport::TestHome {};

TEST_F(DateAndIdentifierTest, ISO8601StampsAreUTCWholeSeconds) {
    EXPECT_EQ(DateFormatting::iso8601(DateFormatting::now()), "2026-01-05T09:00:00Z");
    advance(61.75);
    EXPECT_EQ(DateFormatting::iso8601(DateFormatting::now()), "2026-01-05T09:01:01Z");
    EXPECT_EQ(DateFormatting::iso8601(Date{0}), "1970-01-01T00:00:00Z");
    EXPECT_EQ(DateFormatting::iso8601(Date{-0.5}), "1969-12-31T23:59:59Z");
    EXPECT_EQ(DateFormatting::iso8601(Date{951782400}), "2000-02-29T00:00:00Z");
}

TEST_F(DateAndIdentifierTest, LocalizedPatternsAndFormatting) {
    EXPECT_EQ(DateFormatting::localizedPattern("EEEjm", "en_US"), "EEE h:mm\u202Fa");
    EXPECT_EQ(DateFormatting::localizedPattern("EEEjm", "de"), "EEE, HH:mm");

    const Date monday{ManualClock::kDefaultStart};  // 09:00 UTC
    EXPECT_EQ(DateFormatting::format(monday, "EEE HH:mm", "en_US"), "Mon 09:00");
    EXPECT_EQ(DateFormatting::format(monday, "EEE HH:mm", "de_DE", "Europe/Berlin"), "Mo. 10:00");
    DateFormatting::setDefaultTimeZone("America/New_York");
    EXPECT_EQ(DateFormatting::format(monday, "EEE HH:mm", "en_US"), "Mon 04:00");
    EXPECT_EQ(DateFormatting::format(monday, "HH:mm", "en_US", "Asia/Tokyo"), "18:00");
}

TEST_F(DateAndIdentifierTest, UUIDsParseInEitherCaseAndPrintUpperCase) {
    const std::string upper = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
    auto parsed = UUID::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->uuidString(), upper);
    EXPECT_EQ(UUID::parse(upper), parsed);
    EXPECT_EQ(parsed->bytes()[0], 0xE6);
    EXPECT_EQ(parsed->bytes()[15], 0x5F);

    for (const char* bad : {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}",
                            "E621E1F8-C36C-495A-93FC-0C247A3E6E5", "E621E1F8-C36C-495A-93FC-0C247A3E6E5G",
                            " E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "E621E1F8+C36C-495A-93FC-0C247A3E6E5F"}) {
        EXPECT_FALSE(UUID::parse(bad)) << bad;
    }
    EXPECT_EQ(UUID().uuidString(), "00000000-0000-0000-0000-000000000000");

    std::unordered_set<UUID> seen;
    for (int i = 0; i < 100; ++i) {
        auto u = UUID::random();
        EXPECT_EQ(UUID::parse(u.uuidString()), u);
        EXPECT_EQ(u.bytes()[6] >> 4, 4);  // version 4
        seen.insert(u);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST_F(DateAndIdentifierTest, LaunchArgumentsMatchWholeArgumentsOnly) {
    EXPECT_EQ(ProcessInfo::arguments(), std::vector<std::string>{"tessivane"});
    ProcessInfo::setArguments({"tessivane", "--UITesting", "-UITestingX"});
    EXPECT_FALSE(ProcessInfo::hasArgument("-UITesting"));
    ProcessInfo::setArguments({"tessivane", "-UITesting"});
    EXPECT_TRUE(ProcessInfo::hasArgument("-UITesting"));
    EXPECT_GT(ProcessInfo::processIdentifier(), 0);
}

}  // namespace
