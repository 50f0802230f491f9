// The two-colour prints.
#include "testing/two_colour.hpp"

namespace vorlane::test {

namespace {

constexpr struct {
    std::string_view old, today;
    int tool;
} kinds[] = {
    {"; 'Perimeter'", "; 'Perimeter Path'", 1},
    {"; 'Loop'", "; 'Loop Path'", 1},
    {"; 'Solid'", "; 'Solid Path'", 0},
    {"; 'Crown'", "; 'Crown Path'", 0},
    {"; 'Sparse Infill'", "; 'Sparse Infill Path'", 0},
    {"; 'Stacked Sparse Infill'", "; 'Stacked Sparse Infill Path'", 0},
    {"; 'Support Interface'", "; 'Support Interface Path'", 0},
    {"; 'Support (may Stack)'", "; 'Support (may Stack) Path'", 0},
    {"; 'Wipe (and De-string)'", "; 'Destring/Wipe/Jump Path'", 0},
};

} // namespace

std::string twoColourPrint(std::string_view singleTool)
{
    std::string print;
    bool printing = false;
    int tool = 0;
    while (!singleTool.empty()) {
        const std::size_t lf = singleTool.find('\n');
        const std::string_view line = singleTool.substr(0, lf == std::string_view::npos ? singleTool.size() : lf + 1);
        singleTool.remove_prefix(line.size());
        printing = printing || line.starts_with("; *** Main G-code");
        const std::string_view end = line.ends_with("\r\n") ? "\r\n" : line.ends_with('\n') ? "\n" : "";
        bool renamed = false;
        for (const auto& kind : kinds) {
            if (!line.starts_with(kind.old)) continue;
            if (printing && kind.tool != tool) {
                tool = kind.tool;
                print.append("T").append(std::to_string(tool)).append(end);
            }
            print.append(kind.today).append(line.substr(kind.old.size()));
            renamed = true;
            break;
        }
        if (!renamed) print.append(line);
    }
    return print;
}

} // namespace vorlane::test
