#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server/cookie_list.h"

namespace sorvane::server {
namespace {

using ::testing::ElementsAre;

TEST(CookieListTest, HostsFormGivesEachNameOnceWithoutAddressesOrComments) {
    const auto lines = BlockedCookieLines("# Title: trackers\r\n"
                                          "127.0.0.1 localhost\r\n"
                                          "0.0.0.0 0.0.0.0\n"
                                          "0.0.0.0 Ads.Tracker.COM  www.doubleclick.net # inline note\n"
                                          "0.0.0.0\tdoubleclick.net\n"
                                          "::1 ip6-localhost\n"
                                          "0.0.0.0 10.0.0.1\n"
                                          "   \n"
                                          "bare.example\n"
                                          "0.0.0.0 bad_host!.com *.wild.com\n",
                                          TrackerListForm::Hosts);
    // "www." is never compared by the cookie rule, so the line without it blocks both.
    EXPECT_THAT(lines, ElementsAre("ads.tracker.com", "doubleclick.net", "bare.example"));
}

TEST(CookieListTest, AdblockFormTakesOnlyRulesThatBlockAWholeHost) {
    const auto lines = BlockedCookieLines("[Adblock Plus 2.0]\n"
                                          "! comment ||not.this^\n"
                                          "||tracker.net^\r\n"
                                          "||metrics.example.org^$third-party\n"
                                          "||partial.example.com^$domain=site.com\n"
                                          "||path.example.com/ads/*\n"
                                          "@@||allowed.example.com^\n"
                                          "example.com##.banner\n"
                                          "||WWW.Tracker.NET^\n"
                                          "||127.0.0.1^\n",
                                          TrackerListForm::Adblock);
    EXPECT_THAT(lines, ElementsAre("tracker.net", "metrics.example.org"));
}

}  // namespace
}  // namespace sorvane::server
