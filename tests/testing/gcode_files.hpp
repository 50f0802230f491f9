// The G-code files of a folder, by name; none when the folder is not there.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlane::test {

inline std::vector<std::string> gcodeFilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code absent;
    for (const auto& entry : std::filesystem::directory_iterator(folder, absent))
        if (entry.path().extension() == ".gcode") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The files of ../shared/more-slicers (Simplify3D, Slic3r Prusa Edition,
// Cura 3.5, PrusaSlicer with the MMU2S), each read by its own slicer's rules.
inline std::vector<std::string> moreSlicerFilesIn(const std::string& folder) { return gcodeFilesIn(folder); }

} // namespace vorlane::test
