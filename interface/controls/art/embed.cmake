# Writes OUTPUT, a source that registers the pictures PICTURES (paths joined
# with "|") as resources of the library it is compiled into. Run at build time
# through staffwright_embed_art (the top CMakeLists.txt):
#
#     cmake -DPICTURES=<a.bmp|b.bmp> -DOUTPUT=<file.cpp> [-DNAMED=ON] -P embed.cmake
#
# The number of a picture is the run of digits that ends its file name
# ("knob11680.bmp" is 11680). A picture named "event...", "tree..." or "icon..." is an icon: its block
# is the whole file, which the icon loader reads as an image file. Every other
# picture is a bitmap: its block is the file less its 14-byte file header, so
# it starts with the bitmap's information header as a bitmap resource does.
# With NAMED on, every picture is a bitmap named by its file name ("Play0.bmp"
# is the bitmap "Play0"), as the button faces are found.
string(REPLACE "|" ";" pictures "${PICTURES}")
set(body "")
set(index 0)
foreach(picture ${pictures})
    get_filename_component(name "${picture}" NAME_WE)
    if(NAMED)
        set(number "\"${name}\"")
    elseif(NOT name MATCHES "([0-9]+)$")
        message(FATAL_ERROR "${picture}: the file name does not end in its resource number")
    else()
        set(number ${CMAKE_MATCH_1})
    endif()
    if(NOT NAMED AND name MATCHES "^(event|tree|icon)")
        set(type RT_ICON)
        file(READ "${picture}" bytes HEX)
    else()
        set(type RT_BITMAP)
        file(READ "${picture}" bytes HEX OFFSET 14)
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    # Headers are read in place, so the blocks keep the alignment of their fields.
    string(APPEND body "alignas(4) const unsigned char kPicture${index}[] = {${bytes}};\n")
    string(APPEND body "const CResourceData s_picture${index}(${type}, ${number}, kPicture${index}, sizeof kPicture${index});\n")
    math(EXPR index "${index} + 1")
endforeach()
set(text "// Made by interface/controls/art/embed.cmake from the pictures beside it.\n#include \"platform/core/resources.h\"\n\nnamespace {\n\n${body}\n}  // namespace\n")
# Unchanged text keeps the old file, so nothing recompiles.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
