// The vorlane executable: Kisslicer runs it on each G-code file it writes.
#include "run/platform.hpp"
#include "run/run.hpp"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    vorlane::Console console;
    int status = 1;
    try {
        vorlane::prepareProcess();
        status = vorlane::runVorlane(vorlane::programArguments(argc, argv), console, vorlane::systemPlatform());
    } catch (const std::exception& e) {
        vorlane::sayError(console, std::string("vorlane: ") + e.what());
    }
    std::fflush(stdout);
    return status;
}
