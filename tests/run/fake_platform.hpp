// A platform record for runs inside the test process: the system's calls,
// with the N-th of them failing, some held for a moment as a scanner holds a
// file, the input reported changed, or writes held until the test lets them
// go. Waits are recorded, not waited.
#pragma once

#include "run/platform.hpp"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace vorlane::test {

inline const std::string INJECTED_FAULT_TEXT = "Injected fault";

struct FakePlatformState {
    // The counted call that fails, from 1; 0: none fails.
    long failAt = 0;
    long calls = 0;
    std::string failed; // the name of the call made to fail, once it has
    // The first call of this name fails, whatever the count.
    std::string failFirst;
    // The input's name is reported to stand for another file.
    bool inputReplaced = false;
    // The first `heldCalls` calls of this name (all when negative) fail as
    // they do while another program holds the file for a moment, or, when
    // `heldByAnotherRun`, an open finds another run's lock.
    std::string held;
    long heldCalls = 0;
    bool heldByAnotherRun = false;
    // The run's waits, recorded instead of waited.
    std::vector<std::chrono::milliseconds> waits;
    // While set, a write waits (and says so in writeWaiting).
    std::atomic<bool> holdWrites{false};
    std::atomic<bool> writeWaiting{false};
};
extern FakePlatformState fakeState;

// The system's calls through fakeState; every file call counts.
const Platform& fakePlatform();

struct InProcessRun {
    int status = 0;
    std::string out, err; // console text
};
// The program's run in this process on these arguments (the program name is
// added), with an empty standard input.
InProcessRun runInProcess(const std::vector<std::string>& arguments, const Platform& platform);

} // namespace vorlane::test
