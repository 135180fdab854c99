# Writes a C++ source that places bitmap resources in the module's resource section.
# Run as: cmake -DOUTPUT=file.cpp -DBITMAPS="id:name:file.png,..." -P embed_bitmaps.cmake
# Each record is the resource header, then a length byte, the name and the PNG's bytes,
# padded to a multiple of 4.
set(source "// Generated from the PNG files in plugin/resources/bitmaps; do not edit.\n")
string(APPEND source "#include \"resource_section.h\"\n\n#include <cstdint>\n\nnamespace {\n\n")
string(REPLACE "," ";" BITMAPS "${BITMAPS}")
foreach(bitmap ${BITMAPS})
    string(REPLACE ":" ";" parts "${bitmap}")
    list(GET parts 0 id)
    list(GET parts 1 name)
    list(GET parts 2 file)
    file(READ "${file}" png HEX)
    string(LENGTH "${name}" nameLength)
    string(LENGTH "${png}" hexLength)
    math(EXPR pngLength "${hexLength} / 2")
    math(EXPR length "1 + ${nameLength} + ${pngLength}")
    math(EXPR padded "(${length} + 3) / 4 * 4")
    math(EXPR padding "${padded} - ${length}")
    # The name's characters as hex, then the image, then zero padding.
    string(HEX "${name}" nameHex)
    math(EXPR nameLengthHex "${nameLength}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${nameLengthHex}" 2 -1 nameLengthHex)
    string(LENGTH "${nameLengthHex}" digits)
    if(digits EQUAL 1)
        set(nameLengthHex "0${nameLengthHex}")
    endif()
    set(hex "${nameLengthHex}${nameHex}${png}")
    foreach(i RANGE 1 ${padding})
        if(NOT padding EQUAL 0)
            string(APPEND hex "00")
        endif()
    endforeach()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND source
        "struct Bitmap${id}Record {\n    BrivoResourceHeader header;\n    uint8_t bytes[${padded}];\n};\n\n"
        "[[gnu::section(BRIVO_RESOURCE_SECTION_NAME), gnu::used, gnu::aligned(4)]] constinit const\n"
        "Bitmap${id}Record kBitmap${id} = {\n"
        "    {BRIVO_RESOURCE_RECORD_MAGIC, BRIVO_RESOURCE_BITMAP, ${id}, ${length}u},\n"
        "    {${bytes}}};\n\n")
endforeach()
string(APPEND source "}  // namespace\n")
file(WRITE "${OUTPUT}.tmp" "${source}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
