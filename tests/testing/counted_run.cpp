#include "testing/counted_run.hpp"

#include "watch/watchers.hpp"

#include <cstdio>
#include <string>

namespace vorlane::test {

namespace {

#ifdef _WIN32
constexpr const char* NULL_DEVICE = "NUL";
#else
constexpr const char* NULL_DEVICE = "/dev/null";
#endif

// Counts the printing chapter's travels longer than 2 mm.
void hearTravel(void* context, long long, const Told& told)
{
    const auto* move = std::get_if<const MoveTold*>(&told);
    if (!move || (*move)->draws || (*move)->chapter != Chapter::Printing) return;
    const Vec2 along = (*move)->to - (*move)->from;
    if (along.x * along.x + along.y * along.y > 4.0f) ++*static_cast<long long*>(context);
}

} // namespace

void useDialectOfHead(LineLoop& loop, std::string_view gcode)
{
    useSlicer(loop, slicerNamingIn(gcode.substr(0, std::size_t{1} << 20)));
    loop.settings.fanRestore = loop.slicerFanRestore;
}

CountedRun countedRunOf(std::string_view gcode, const RunSettings& settings)
{
    std::string output;
    OutBuffer out;
    out.drain = [](void* destination, std::string_view) { static_cast<std::string*>(destination)->clear(); };
    out.destination = &output;
    Console console{std::fopen(NULL_DEVICE, "w"), std::fopen(NULL_DEVICE, "w"), std::fopen(NULL_DEVICE, "r")};
    CountedRun run;
    {
        LineLoop loop{out, console};
        loop.settings = settings;
        DragCount count;
        countAlong(loop, count);
        addWatcher(loop, Watcher{hearTravel, &run.longTravels, false, {}});
        useDialectOfHead(loop, gcode);
        for (std::size_t begin = 0; begin < gcode.size();) {
            std::size_t end = gcode.find('\n', begin);
            if (end == std::string_view::npos) end = gcode.size();
            std::string_view line = gcode.substr(begin, end - begin);
            if (line.ends_with('\r')) line.remove_suffix(1);
            processLine(loop, line);
            begin = end + 1;
        }
        tellHeldDraws(loop);
        drainOut(out);
        run.drags = count.tally;
        run.results = loop.results;
    }
    std::fclose(console.out);
    std::fclose(console.err);
    std::fclose(console.in);
    return run;
}

} // namespace vorlane::test
