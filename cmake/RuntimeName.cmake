# The file name a shared library is loaded by at run time: the SONAME of its development file.
#   tavuro_runtime_name(<variable> <library> [<hint folder>])
function(tavuro_runtime_name variable library)
  find_library(tavuro_${library}_development_file NAMES ${library} HINTS ${ARGN})
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${tavuro_${library}_development_file}
                  OUTPUT_VARIABLE headers)
  if(NOT headers MATCHES "SONAME +([^ \n]+)")
    message(FATAL_ERROR "no SONAME in ${tavuro_${library}_development_file}")
  endif()
  set(${variable} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
