# The release version, derived from the program's one version text, versionID
# in src/run/run.hpp: its four digits read as a number with two decimals, so
# "v0024" is version 0.24 and "v0105" would be 1.05. Versions then sort as the
# version texts do, for dpkg too.
# Included, this sets VORLANE_VERSION; run as `cmake -P cmake/version.cmake`,
# it prints it.
set(vorlane_version_source "${CMAKE_CURRENT_LIST_DIR}/../src/run/run.hpp")
file(READ "${vorlane_version_source}" vorlane_run_header)
if(NOT vorlane_run_header MATCHES "versionID = \"v([0-9][0-9])([0-9][0-9])\"")
  message(FATAL_ERROR "${vorlane_version_source}: no versionID of the form \"vNNNN\"")
endif()
math(EXPR vorlane_version_whole "${CMAKE_MATCH_1}")
set(VORLANE_VERSION "${vorlane_version_whole}.${CMAKE_MATCH_2}")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${VORLANE_VERSION}")
else()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${vorlane_version_source}")
endif()
