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

} // namespace vorlane::test
