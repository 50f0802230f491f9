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

// The files of ../shared/more-slicers whose slicers Vorlane reads by their
// own rules: Cura 3.5 and PrusaSlicer with the MMU2S.
inline constexpr const char* MORE_SLICER_FILES[] = {"cura351_filaswitch_testmodel1_4tool.gcode",
                                                   "prusa250_mmu2s_full_m73_2tool.gcode"};

// Those of them that are there, by path.
inline std::vector<std::string> moreSlicerFilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code absent;
    for (const char* name : MORE_SLICER_FILES)
        if (std::filesystem::is_regular_file(folder + "/" + name, absent)) files.push_back(folder + "/" + name);
    return files;
}

} // namespace vorlane::test
