// The vorlane executable: Kisslicer runs it on each G-code file it writes.
#include "run/run.hpp"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    vorlane::Console console;
    int status = 1;
    try {
        status = vorlane::runVorlane(std::vector<std::string>(argv, argv + argc), console);
    } catch (const std::exception& e) {
        vorlane::sayError(console, std::string("vorlane: ") + e.what());
    }
    std::fflush(stdout);
    return status;
}
