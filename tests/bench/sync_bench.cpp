// Device-link benchmark against the emulated mouse: a full write of five
// profiles with every button and key assigned and ten macros of 50 events,
// and a full read of the same. The write is timed from the request to the
// worker's end with the settle pause set to zero, so the figure is the time
// spent in the transfer itself.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "device/Mouse.h"
#include "model/VellConfig.h"
#include "skin/NameTables.h"
#include "win/Handles.h"

namespace {

using bench::Median;
using bench::Now;

void Fill(CVellConfig& config) {
    while (config.GetProfileCount() < 5)
        config.CreateProfile((L"Bench " + std::to_wstring(config.GetProfileCount() + 1)).c_str());
    static const int32_t kButtons[] = {1,  2,  3,  10, 11, 25, 26, 12, 13, 14,
                                       15, 16, 17, 18, 19, 20, 21, 22, 23};
    for (int32_t p = 0; p < config.GetProfileCount(); ++p) {
        CMouseProfile* profile = config.ProfileAt(p);
        for (int32_t button : kButtons) {
            Assignment a = MakeAssignment(button == 10 || button == 11 ? 39 : 32);
            config.SetButtonAssignment(button, a, profile);
        }
        for (int32_t i = 0; i < config.GetKeyAssignmentCount(profile); ++i) {
            int32_t key = config.KeyIdAt(i, profile);
            config.SetKeyAssignment(key, MakeSingleKeyAssignment(static_cast<uint16_t>(key), 0, 0), profile);
        }
    }
    for (int m = config.GetMacroCount(); m < 10; ++m) {
        MacroEvents events;
        for (int e = 0; e < 50; ++e) {
            if (e % 3 == 2)
                events.push_back({kMacroEventDelay, 20, 20});
            else
                events.push_back(
                    {kMacroEventKey, uint32_t(0x1E + e % 20), e % 3 ? kMacroStateRelease : kMacroStatePress});
        }
        config.CreateMacro((L"Macro " + std::to_wstring(m + 1)).c_str(), events);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = argc > 1 ? _wtoi(argv[1]) : 10;
    win::ComApartment com;
    names::BuildAllNameTables();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring state = std::wstring(temp) + L"tarn-bench-state.txt";
    DeleteFileW(state.c_str());
    SetEnvironmentVariableW(L"TARN_DEVICE_STATE", state.c_str());
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"fresh");

    const uint16_t product = 21;
    CVellConfig config;
    CMouse mouse;
    mouse.SetSettleDelayForTesting(0);
    if (!mouse.Initialize(&config, &product)) {
        std::fprintf(stderr, "no emulated mouse: is the device service registered?\n");
        return 1;
    }
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
    config.AttachDevice(&mouse);
    mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll);
    if (!config.GetCurrentProfile())
        config.SetCurrentProfile(config.ProfileAt(0));
    Fill(config);
    // The first write creates the profiles and macros on the mouse: nearly
    // every call of it is a change, and each change is committed on its own.
    const double f0 = Now();
    if (!mouse.Synchronize(&config, SyncDirection::Write, kSectionsAll) || !mouse.WaitUntilIdle(30000) || !mouse.LastWriteSucceeded()) {
        std::fprintf(stderr, "the first write failed\n");
        return 1;
    }
    const double firstWrite = Now() - f0;

    std::vector<double> blocked, writes, reads;
    for (int i = 0; i < runs; ++i) {
        config.SetStageValue(1, 800 + 100 * (i % 5));  // something to send
        double t0 = Now();
        bool started = mouse.Synchronize(&config, SyncDirection::Write, kSectionsAll);
        double t1 = Now();
        bool done = started && mouse.WaitUntilIdle(30000) && mouse.LastWriteSucceeded();
        double t2 = Now();
        if (!done) {
            std::fprintf(stderr, "write %d failed\n", i + 1);
            return 1;
        }
        blocked.push_back(t1 - t0);
        writes.push_back(t2 - t0);

        CVellConfig fresh;
        CMouse reader;
        if (!reader.Initialize(&fresh, &product))
            return 1;
        double r0 = Now();
        bool read = reader.Synchronize(&fresh, SyncDirection::Read, kSectionsAll);
        double r1 = Now();
        if (!read || fresh.GetProfileCount() != 5 || fresh.GetMacroCount() != 10) {
            std::fprintf(stderr, "read %d gave %d profiles, %d macros\n", i + 1, fresh.GetProfileCount(),
                         fresh.GetMacroCount());
            return 1;
        }
        reads.push_back(r1 - r0);
    }
    std::printf("window thread blocked by the write request: median of %d %.2f ms (min %.2f, max %.2f)\n", runs,
                Median(blocked), *std::min_element(blocked.begin(), blocked.end()),
                *std::max_element(blocked.begin(), blocked.end()));
    std::printf("full write (5 profiles, 10 macros x 50 events): median of %d %.1f ms (min %.1f, max %.1f)\n",
                runs, Median(writes), *std::min_element(writes.begin(), writes.end()),
                *std::max_element(writes.begin(), writes.end()));
    std::printf("first full write (creates them all, every call a change): %.1f ms\n", firstWrite);
    std::printf("full read of the same: median of %d %.1f ms (min %.1f, max %.1f)\n", runs, Median(reads),
                *std::min_element(reads.begin(), reads.end()), *std::max_element(reads.begin(), reads.end()));
    DeleteFileW(state.c_str());
    return 0;
}
