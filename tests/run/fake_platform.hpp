// A platform record for runs inside the test process: the system's calls,
// with the N-th of them failing, the input reported changed, or writes held
// until the test lets them go.
#pragma once

#include "run/platform.hpp"

#include <atomic>
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
