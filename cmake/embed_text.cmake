# Writes a header that holds a text file's bytes as one std::string_view, so
# that a page or script kept in a file of its own is part of the program:
#   cmake -DINPUT=page.html -DOUTPUT=page.hpp -DNAME=REPORT_PAGE -P embed_text.cmake
file(READ "${INPUT}" content)
string(FIND "${content}" ")embedded_text\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string's end marker")
endif()
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new"
  "// Made from ${source} when the program is built.\n#pragma once\n\n#include <string_view>\n\n"
  "namespace vorlane {\n\ninline constexpr std::string_view ${NAME} = R\"embedded_text(${content})embedded_text\";\n\n"
  "} // namespace vorlane\n")
# Rewritten only when it changes, so that nothing rebuilds for nothing.
configure_file("${OUTPUT}.new" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.new")
