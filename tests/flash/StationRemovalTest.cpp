#include "engine/StationPort.h"

#include <gtest/gtest.h>

namespace {

// A station waits for each modem to be taken off before it looks for the next one. Ending that
// wait while the modem is still on would program it again; never ending it would stall the port.
TEST(StationRemoval, DeviceGoneReplacedOrLostEndsTheWaitAndNothingElse)
{
    const struct
    {
        DeviceLook look;
        bool takenAway;
        const char *why;
    } cases[] = {
        {{true, true, false}, false, "the modem is still on"},
        {{std::nullopt, true, false}, false, "presence cannot be told (a COM port on Windows)"},
        {{false, true, false}, true, "its device is gone"},
        {{true, false, false}, true, "the name leads to another modem's device"},
        {{std::nullopt, false, false}, true, "another device, presence untold"},
        {{true, true, true}, true, "the open port lost its device"},
        {{std::nullopt, true, true}, true, "a Windows port lost its device"},
    };
    for (const auto &example : cases)
        EXPECT_EQ(DeviceTakenAway(example.look), example.takenAway) << example.why;
}

} // namespace
