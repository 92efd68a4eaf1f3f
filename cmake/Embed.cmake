# embed_files(OUTPUT file.cpp FUNCTION Name FILES a b ...): writes a source file defining
#   std::string_view Name(std::string_view name);
# which answers each file's bytes by its path relative to CMAKE_SOURCE_DIR (empty for any other
# name), so that a program or a library carries its data. Each embedding names its own function,
# so a program may link several.
function(embed_files)
  cmake_parse_arguments(EMBED "" "OUTPUT;FUNCTION" "FILES" ${ARGN})
  set(body "#include <cstddef>\n#include <string_view>\n\nnamespace {\n\n")
  set(table "")
  set(index 0)
  foreach(file ${EMBED_FILES})
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${file})
    string(APPEND body "const unsigned char kFile${index}[] = {${bytes} 0};\n")
    string(APPEND table "    {\"${name}\", reinterpret_cast<const char*>(kFile${index}), ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND body "\n}  // namespace\n\nstd::string_view ${EMBED_FUNCTION}(std::string_view name) {\n")
  string(APPEND body "  struct File {\n    const char* name;\n    const char* data;\n    std::size_t size;\n  };\n")
  string(APPEND body "  static const File kFiles[] = {\n${table}  };\n")
  string(APPEND body "  for (const File& file : kFiles)\n    if (name == file.name) return {file.data, file.size};\n")
  string(APPEND body "  return {};\n}\n")
  file(WRITE ${EMBED_OUTPUT}.tmp "${body}")
  configure_file(${EMBED_OUTPUT}.tmp ${EMBED_OUTPUT} COPYONLY)
endfunction()
