# Turns a binary file into a C++ source that holds its bytes, for data that
# the program carries inside itself:
#   cmake -DINPUT=file.bin -DOUTPUT=file.cpp -DFUNCTION=nurumo::Name -DHEADER=game/x.h -P cmake/embed.cmake
# The source defines `std::span<const unsigned char> FUNCTION()`, declared in HEADER.
cmake_minimum_required(VERSION 3.20)
if(NOT INPUT OR NOT OUTPUT OR NOT FUNCTION OR NOT HEADER)
  message(FATAL_ERROR "embed.cmake needs -DINPUT=... -DOUTPUT=... -DFUNCTION=... -DHEADER=...")
endif()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Lines of 24 bytes, so that the source stays readable by editors and diffs.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Made from ${INPUT} by cmake/embed.cmake; do not edit.
#include \"${HEADER}\"

namespace {
const unsigned char kBytes[${size} + 1] = {
${bytes}
};
}  // namespace

std::span<const unsigned char> ${FUNCTION}() { return {kBytes, ${size}}; }
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
