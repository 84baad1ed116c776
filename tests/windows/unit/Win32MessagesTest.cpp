// The rules our Windows front-end applies to the messages it receives.
#include "windows/afx/CommandMessage.h"
#include "windows/system/DeviceEvents.h"
#include "windows/system/Session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TEST(CommandMessageTest, OnlyMenusAcceleratorsAndButtonClicksAreCommands)
{
    const LPARAM hControl = 0x1234;
    EXPECT_TRUE(IsCommandMessage(1006, 0));                       // menu item
    EXPECT_TRUE(IsCommandMessage((1u << 16) | 1006, 0));          // accelerator
    EXPECT_TRUE(IsCommandMessage(IDOK, hControl));                // BN_CLICKED
    EXPECT_FALSE(IsCommandMessage((1u << 16) | 1007, hControl));  // CBN_SELCHANGE
}

// A DEV_BROADCAST_PORT_W as it arrives: a header claiming cbSize bytes, then the UTF-16 name.
std::vector<unsigned char> PortMessage(std::uint32_t nType, const std::u16string& strName,
                                       std::uint32_t cbClaimed = 0)
{
    std::vector<unsigned char> bytes(12 + strName.size() * 2);
    const std::uint32_t cbSize = cbClaimed ? cbClaimed : static_cast<std::uint32_t>(bytes.size());
    std::memcpy(bytes.data(), &cbSize, 4);
    std::memcpy(bytes.data() + 4, &nType, 4);
    std::memcpy(bytes.data() + 12, strName.data(), strName.size() * 2);
    return bytes;
}

TEST(DeviceBroadcastTest, APortNameIsReadOnlyFromAWellFormedPortMessageWithinItsSize)
{
    const std::u16string strCom3(u"COM3\0", 5);
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(3, strCom3).data()), L"COM3");
    EXPECT_EQ(PortNameOfDeviceBroadcast(nullptr), std::nullopt);
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(2, strCom3).data()), std::nullopt);  // a volume
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(3, u"").data()), std::nullopt);
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(3, u"COM3").data()), std::nullopt);  // no end
    // A size that stops inside the name: nothing beyond it is read (ASan would see it).
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(3, strCom3, 16).data()), std::nullopt);
    EXPECT_EQ(PortNameOfDeviceBroadcast(PortMessage(3, strCom3, 4).data()), std::nullopt);
}

TEST(SessionChangeTest, OnlyADisconnectSendsTheSessionAwayAndOnlyAConnectBringsItBack)
{
    EXPECT_EQ(SessionActiveOfChange(WTS_CONSOLE_DISCONNECT), false);
    EXPECT_EQ(SessionActiveOfChange(WTS_REMOTE_DISCONNECT), false);
    EXPECT_EQ(SessionActiveOfChange(WTS_CONSOLE_CONNECT), true);
    EXPECT_EQ(SessionActiveOfChange(WTS_REMOTE_CONNECT), true);
    // Locked, the session is still the one at the screen.
    for (WPARAM wParam : {WTS_SESSION_LOCK, WTS_SESSION_UNLOCK, WTS_SESSION_LOGON})
        EXPECT_EQ(SessionActiveOfChange(wParam), std::nullopt) << wParam;
}

}  // namespace
