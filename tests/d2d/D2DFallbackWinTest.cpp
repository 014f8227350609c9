// How the Direct2D test's construction fails where the libraries it needs are missing. Each
// case applies only to the library set-up it names and is skipped elsewhere; the script
// test_d2d_platform.py runs them with the libraries disabled (and a stand-in d2d1.dll).
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "core/GfxSysNotAvailableException.h"
#include "d2d/D2DTest.h"

namespace {

enum class Libraries { NoDirect2D, StandInDirect2D, StandInWithoutDirect3D, NoDirect3D, All };

Libraries availableLibraries() {
    HMODULE d2d1 = LoadLibraryA("d2d1.dll");
    HMODULE d3d10_1 = LoadLibraryA("d3d10_1.dll");
    const bool standIn = d2d1 && GetProcAddress(d2d1, "KorvidStubD2D1");
    Libraries result = !d2d1     ? Libraries::NoDirect2D
                       : standIn ? (d3d10_1 ? Libraries::StandInDirect2D
                                            : Libraries::StandInWithoutDirect3D)
                       : !d3d10_1 ? Libraries::NoDirect3D
                                  : Libraries::All;
    if (d3d10_1) {
        FreeLibrary(d3d10_1);
    }
    if (d2d1) {
        FreeLibrary(d2d1);
    }
    return result;
}

class D2DFallback : public ::testing::Test {
protected:
    // Constructs a test and returns what it threw: "exception: <message>" for
    // GfxSysNotAvailableException, "string: <text>" for a message string.
    std::string constructionFailure() {
        try {
            D2DTest test(client, "Korvid 2.9 (2012/06/11). ", output, 0x1F);
        } catch (const GfxSysNotAvailableException& e) {
            return "exception: " + e.getMessage();
        } catch (const std::string& text) {
            return "string: " + text;
        }
        return "constructed";
    }

    void expectNothingLeftBehind() {
        WNDCLASSA found;
        EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "Direct2DTest", &found));
        EXPECT_EQ(nullptr, FindWindowA("Direct2DTest", nullptr));
    }

    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                           "TestKey", "http://localhost:9/Benchmark/Korvid/Result/",
                           "Korvid/2.9 (Windows)"};
};

}  // namespace

TEST_F(D2DFallback, WithoutDirect2DTheCallerFallsBackToGDI) {
    if (availableLibraries() != Libraries::NoDirect2D) {
        GTEST_SKIP() << "d2d1.dll is present (run with WINEDLLOVERRIDES=d2d1=d)";
    }
    EXPECT_EQ("exception: This machine doesn't support Direct2D.", constructionFailure());
    EXPECT_EQ("", console.str());
    EXPECT_EQ("", transcript.str());
    expectNothingLeftBehind();
}

TEST_F(D2DFallback, WithoutDirect3D101TheRunEndsWithAMessage) {
    const Libraries libraries = availableLibraries();
    if (libraries != Libraries::NoDirect3D && libraries != Libraries::StandInWithoutDirect3D) {
        GTEST_SKIP() << "needs d2d1.dll without d3d10_1.dll";
    }
    // A message string, not the exception: the caller must not fall back to GDI.
    EXPECT_EQ(
        "string: ERROR: Direct2D test needs Direct3D 10.1. Please download and install DirectX "
        "10.1 or higher.",
        constructionFailure());
    EXPECT_EQ("", console.str());
    expectNothingLeftBehind();
}

TEST_F(D2DFallback, AFactoryThatCannotBeCreatedFallsBackToGDI) {
    if (availableLibraries() != Libraries::StandInDirect2D) {
        GTEST_SKIP() << "needs the stand-in d2d1.dll with Direct3D 10.1";
    }
    EXPECT_EQ("exception: Cannot initialise Direct2D.", constructionFailure());
    EXPECT_EQ("", console.str());
    expectNothingLeftBehind();
}
