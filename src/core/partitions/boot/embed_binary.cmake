# cmake -DINPUT=file.bin -DOUTPUT=file.cpp -DSYMBOL=name -DSIZE=n -DHEADER=x.h -P embed_binary.cmake
# Writes the bytes of INPUT as a C++ array; fails unless the file has exactly SIZE bytes.
file(SIZE ${INPUT} actual)
if(NOT actual EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} is ${actual} bytes, expected ${SIZE}")
endif()
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp "// Generated from ${INPUT}; do not edit.\n#include \"${HEADER}\"\n\nconst uint8_t ${SYMBOL}[${SIZE}] = {\n    ${bytes}\n};\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
