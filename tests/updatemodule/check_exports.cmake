# The update module exports exactly one symbol of its own, named by the GBK
# bytes of "更新" (B8 FC D0 C2). The linker's own markers (__bss_start,
# _edata, _end) are not counted.
#   cmake -DNM=<nm> -DMODULE=<up.so> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${MODULE}
  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REGEX REPLACE " .*" "" name "${line}")
  if(NOT name MATCHES "^(__bss_start|_edata|_end)$")
    string(HEX "${name}" hex)
    list(APPEND names "${hex}")
  endif()
endforeach()
if(NOT names STREQUAL "b8fcd0c2")
  message(FATAL_ERROR "exports of ${MODULE} (hex): '${names}', expected 'b8fcd0c2'")
endif()
message(STATUS "only the export b8fcd0c2")
