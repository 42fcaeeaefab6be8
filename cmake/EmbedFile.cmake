# Writes IN as a byte array: `extern const unsigned char SYM[]; extern const size_t SYM_size;`
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
file(WRITE ${OUT} "#include <cstddef>\nextern const unsigned char ${SYM}[] = {${body} 0};\nextern const std::size_t ${SYM}_size = ${size};\n")
