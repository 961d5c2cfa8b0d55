# cmake -DIN=<utf-8 text file> -DOUT=<target> -P ToCp932Crlf.cmake
# Writes IN to OUT in code page CP932 with CRLF line ends. Fails (and leaves OUT
# untouched) when IN is not valid UTF-8 or holds a character CP932 lacks.
find_program(ICONV iconv REQUIRED)

file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}.utf8" "${text}")

execute_process(
  COMMAND ${ICONV} -f UTF-8 -t CP932 "${OUT}.utf8"
  OUTPUT_FILE "${OUT}.tmp"
  ERROR_VARIABLE err
  RESULT_VARIABLE rc)
file(REMOVE "${OUT}.utf8")
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "${IN} cannot be converted to CP932: ${err}")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
