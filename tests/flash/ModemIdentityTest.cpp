#include "engine/ModemIdentity.h"

#include <gtest/gtest.h>

namespace {

// An identity that is not the modem's own would let a station skip a modem it never programmed.
TEST(ModemIdentity, IsTheOneSerialNumberBeforeOk)
{
    const struct
    {
        const char *reply;
        const char *identity;
    } cases[] = {
        {"\r\n356938035643809\r\n\r\nOK\r\n", "356938035643809"},
        {"AT+CGSN\r\r\n356938035643809\r\n\r\nOK\r\n", "356938035643809"}, // echo on
        {"\r\n+CGSN: \"356938035643809\"\r\n\r\nOK\r\n", "356938035643809"},
        {"\r\nERROR\r\n", ""},
        {"\r\n356938035643809\r\n\r\nERROR\r\n", ""},
        {"\r\n356938035643809\r\n", ""},                          // no OK: cut short
        {"\r\n356938035643809\r\n490154203237518\r\nOK\r\n", ""}, // two candidates
        {"TIMEOUT", ""},
        {"\r\n+CME ERROR: 4\r\n\r\nOK\r\n", ""},
    };
    for (const auto &example : cases)
        EXPECT_EQ(IdentityInAnswer(QByteArray(example.reply)),
                  QString::fromLatin1(example.identity))
            << example.reply;
}

} // namespace
