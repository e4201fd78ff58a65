// Why a find failed, as the program's loader reports it: from a library older than FindFailure, and from
// the simulated station's "denied" setting.
#include "station/usb_library.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace nimbrel::testing {
namespace {

constexpr int kVid = 0x0713, kPid = 0x0818;

TEST(FindFailure, LibraryWithoutTheEntryPointSaysNoStationAfterAFailedFind) {
    auto older = loadUsbLibrary(NIMBREL_OLDER_USB_LIBRARY);
    ASSERT_EQ(older->loadError(), "");
    EXPECT_EQ(older->findFailure(), FindFailure::none) << "before any find";
    EXPECT_EQ(older->findHandle(kVid + 1, kPid), -1);
    EXPECT_EQ(older->findFailure(), FindFailure::noStation);
    EXPECT_EQ(older->findHandle(kVid, kPid), 1);
    EXPECT_EQ(older->findFailure(), FindFailure::none);

    EXPECT_EQ(noUsbLibrary("none here")->findFailure(), FindFailure::noStation);
}

TEST(FindFailure, SimulatedStationPlaysOneThisUserMayNotOpen) {
    auto library = loadUsbLibrary(NIMBREL_SIM_LIBRARY);
    ASSERT_EQ(library->loadError(), "");
    void* module = dlopen(NIMBREL_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr);
    auto reset = reinterpret_cast<int (*)(const char*)>(dlsym(module, "NimbrelSimReset"));
    auto failure = reinterpret_cast<int (*)()>(dlsym(module, "FindFailure"));
    ASSERT_TRUE(reset && failure);

    reset("speed=0 denied=1");
    EXPECT_EQ(library->findHandle(kVid, kPid), -1);
    EXPECT_EQ(failure(), 2);
    EXPECT_EQ(library->findFailure(), FindFailure::accessDenied);
    EXPECT_EQ(library->findHandle(kVid, kPid + 1), -1) << "other ids: no station at all";
    EXPECT_EQ(library->findFailure(), FindFailure::noStation);

    reset("speed=0 denied=0");
    EXPECT_GE(library->findHandle(kVid, kPid), 0);
    EXPECT_EQ(failure(), 0);
    EXPECT_EQ(library->findFailure(), FindFailure::none);

    reset("speed=0 denied=2"); // not a setting: the station stays reachable
    EXPECT_GE(library->findHandle(kVid, kPid), 0);

    // From the environment, as a demo or a support session would set it.
    setenv("NIMBREL_SIM_DENIED", "1", 1);
    reset(nullptr);
    unsetenv("NIMBREL_SIM_DENIED");
    EXPECT_EQ(library->findHandle(kVid, kPid), -1);
    EXPECT_EQ(library->findFailure(), FindFailure::accessDenied);
    dlclose(module);
}

} // namespace
} // namespace nimbrel::testing
