// The address lookup against the real resolver, answered from the bench's hosts file.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/bench/bench.h"
#include "watch/address_lookup.h"

namespace {

class AddressLookup : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
    }
    static void TearDownTestSuite() { WSACleanup(); }
    void SetUp() override { std::memset(g_currentAddress, 0, sizeof g_currentAddress); }
};

TEST_F(AddressLookup, TakesTheLastListedAddressAndKeepsItWhenTheResolverFails)
{
    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.0.5", "10.0.0.7"}));
    EXPECT_TRUE(LookUpAddress());
    EXPECT_STREQ("10.0.0.7", g_currentAddress);

    ASSERT_TRUE(bench::SetResolverAnswer({}));
    EXPECT_TRUE(LookUpAddress());
    EXPECT_STREQ("10.0.0.7", g_currentAddress);

    ASSERT_TRUE(bench::SetResolverAnswer({"10.1.2.3"}));
    LookUpAddress();
    EXPECT_STREQ("10.1.2.3", g_currentAddress); // no zero padding
}

TEST_F(AddressLookup, NothingBeforeTheFirstAnswerAndTheWidestAddressFits)
{
    ASSERT_TRUE(bench::SetResolverAnswer({}));
    LookUpAddress();
    EXPECT_STREQ("", g_currentAddress);

    ASSERT_TRUE(bench::SetResolverAnswer({"255.255.255.254"}));
    LookUpAddress();
    EXPECT_STREQ("255.255.255.254", g_currentAddress);
}

TEST(FormatLastAddress, AnAnswerWithoutIPv4AddressesLeavesTheTextAlone)
{
    char text[kAddressTextSize] = "10.0.0.1";
    char* none[] = {nullptr};
    hostent empty = {};
    empty.h_addrtype = AF_INET;
    empty.h_length = 4;
    empty.h_addr_list = none;
    EXPECT_EQ(0, FormatLastAddress(&empty, text));
    EXPECT_EQ(0, FormatLastAddress(nullptr, text));

    char v6[16] = {1};
    char* v6list[] = {v6, nullptr};
    hostent wide = {};
    wide.h_addrtype = AF_INET6;
    wide.h_length = 16;
    wide.h_addr_list = v6list;
    EXPECT_EQ(0, FormatLastAddress(&wide, text));
    EXPECT_STREQ("10.0.0.1", text);

    char a[4] = {1, 2, 3, 4};
    char b[4] = {char(200), 0, 0, 9};
    char* two[] = {a, b, nullptr};
    hostent both = empty;
    both.h_addr_list = two;
    EXPECT_EQ(1, FormatLastAddress(&both, text));
    EXPECT_STREQ("200.0.0.9", text);
}

} // namespace
