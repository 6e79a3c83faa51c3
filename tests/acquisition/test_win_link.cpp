// The Windows serial link and port list under Wine, against the far end that wine_com.py plays
// on a pseudo-terminal mapped to COM7: "R<n>\r" is answered with n letters at once, "X\r"
// unplugs the port. Wine lets a port be opened twice and lists no port mapped by hand, so the
// refusal of a port in use is checked by its error, and the driver's entry in the port list is
// made and removed here.
#include "acquisition/WinPortCatalog.h"
#include "acquisition/WinSerialLink.h"
#include "support/WaitFor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

namespace vireon::test {
namespace {

constexpr int kCom = 7;
constexpr int kPatience = 10000; // ms before a wait counts as failed

std::string Letters(size_t n) {
    return std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ").substr(0, n);
}

struct Line {
    WinPortCatalog catalog;
    WinSerialLink link{[this](int n) { return catalog.DevicePath(n); }};
    // What each receive event found waiting.
    std::vector<std::string> received;
    std::vector<int> errors;
    Line() {
        link.OnReceive = [this] { received.push_back(link.Input()); };
        link.OnError = [this](int n) { errors.push_back(n); };
    }
};

TEST(WinSerialLink, RepliesAreTakenWholeAtTheThresholdAndCutOnesByTheTick) {
    Line l;
    l.link.Open(kCom);
    l.link.RThreshold(19);
    l.link.Output("Q\r");
    EXPECT_EQ(l.link.Input(), "") << "the tick of a reply that never came";
    EXPECT_EQ(l.link.Asking(), 19u) << "the program wakes once the whole reply is there";
    l.link.Output("R7\r");
    ASSERT_TRUE(WaitFor([&] { return l.link.InBufferCount() == 7; }, kPatience));
    EXPECT_EQ(l.link.Asking(), 12u);
    EXPECT_EQ(l.link.Input(), Letters(7));
    l.link.Output("R19\r");
    ASSERT_TRUE(WaitFor([&] { return !l.received.empty(); }, kPatience));
    l.link.RThreshold(0);
    l.link.Output("R5\r");
    ASSERT_TRUE(WaitFor([&] { return l.link.InBufferCount() == 5; }, kPatience));
    EXPECT_EQ(l.received, std::vector<std::string>{Letters(19)})
        << "one event, for the whole reply and nothing of the cut one";
    // Characters that wait already count at once.
    l.link.RThreshold(5);
    ASSERT_TRUE(WaitFor([&] { return l.received.size() == 2; }, kPatience));
    EXPECT_EQ(l.received.back(), Letters(5));
}

TEST(WinSerialLink, APortThatIsNotThereOrInUseSaysSo) {
    Line l;
    try {
        l.link.Open(kCom + 2);
        ADD_FAILURE() << "COM9 opened";
    } catch (const SerialError& e) {
        EXPECT_EQ(e.Number(), 8002);
        EXPECT_THAT(e.what(), testing::HasSubstr("COM9 does not exist"));
    }
    EXPECT_FALSE(l.link.IsOpen());
    for (const DWORD refusal : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
        EXPECT_THAT(OpenFailure(kCom, refusal).what(), testing::HasSubstr("COM7 is in use"));
    }
}

// Last: the port is gone afterwards.
TEST(WinSerialLink, APortUnpluggedMidReadIsReportedByTheLinkAndTheList) {
    const wchar_t* key = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
    const wchar_t* entry = L"\\Device\\VireonTest";
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, entry);
    Line l;
    std::vector<std::string> arrived;
    std::vector<std::string> removed;
    l.catalog.DeviceArrival = [&](const std::string& name) { arrived.push_back(name); };
    l.catalog.DeviceRemoveComplete = [&](const std::string& name) { removed.push_back(name); };
    const std::wstring com = L"COM7";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, entry, REG_SZ, com.c_str(),
                              static_cast<DWORD>((com.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_TRUE(WaitFor([&] { return !arrived.empty(); }, kPatience));
    EXPECT_EQ(arrived, std::vector<std::string>{"COM7"});
    EXPECT_TRUE(l.catalog.PortExists(kCom));
    EXPECT_FALSE(l.catalog.PortExists(kCom + 2));

    l.link.Open(kCom);
    l.link.RThreshold(19);
    l.link.Output("X\r");
    ASSERT_TRUE(WaitFor([&] { return !l.errors.empty(); }, kPatience));
    EXPECT_EQ(l.errors, std::vector<int>{kErrPortVanished});
    try {
        l.link.Input();
        ADD_FAILURE() << "read from a port that has gone";
    } catch (const SerialError& e) {
        EXPECT_EQ(e.Number(), kErrPortVanished);
    }

    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, entry);
    ASSERT_TRUE(WaitFor([&] { return !removed.empty(); }, kPatience));
    EXPECT_EQ(removed, std::vector<std::string>{"COM7"});
    EXPECT_FALSE(l.catalog.PortExists(kCom));
}

} // namespace
} // namespace vireon::test
