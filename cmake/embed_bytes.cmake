# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -DNAMESPACE=ns -P embed_bytes.cmake
# Writes a C++ source defining `const unsigned char SYMBOL[]` with the input's bytes and
# `const std::size_t SYMBOL##Size`.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
file(WRITE ${OUTPUT}
     "// Generated from ${INPUT}.\n#include <cstddef>\nnamespace ${NAMESPACE} {\n"
     "extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
     "const unsigned char ${SYMBOL}[] = {${body}};\n"
     "const std::size_t ${SYMBOL}Size = sizeof ${SYMBOL};\n}\n")
