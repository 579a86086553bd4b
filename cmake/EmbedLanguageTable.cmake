# Run as a build step: cmake -DINPUT=english.lng -DOUTPUT=BuiltInTable.cpp -P this file.
# Writes the built-in language table as UTF-16 units for code that has no resources to read
# it from (the library side and native test programs). The table is ASCII, so each byte is
# one unit whatever the code page; any other byte stops the build.
get_filename_component(name "${INPUT}" NAME)
file(READ "${INPUT}" hex HEX)
if(hex MATCHES "^(..)*[89a-f].")
  message(FATAL_ERROR "${INPUT} holds a byte outside ASCII")
endif()
string(LENGTH "${hex}" digits)
math(EXPR units "${digits} / 2")
string(REGEX REPLACE "(..)" "0x\\1," body "${hex}")
# CMake's expressions have no repeat count: sixteen units a line, spelled out.
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n    " body "${body}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from resources/${name} by cmake/EmbedLanguageTable.cmake; do not edit.\n"
  "#include \"toolkit/BuiltInTable.h\"\n\n"
  "const char16_t g_builtInTable[] = {\n    ${body}0};\n"
  "const int g_builtInTableUnits = ${units};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
