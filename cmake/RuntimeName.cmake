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

# The names the audio library loads FFmpeg by (its demuxers' library, which brings the decoders,
# and the resampler's): the library itself and the player's warm-up load the same files.
#   tavuro_ffmpeg_runtime_names(<avformat variable> <swresample variable>)
function(tavuro_ffmpeg_runtime_names avformat_variable swresample_variable)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TAVURO_FFMPEG_NAMES REQUIRED libavformat libswresample)
  tavuro_runtime_name(avformat_file avformat ${TAVURO_FFMPEG_NAMES_LIBRARY_DIRS})
  tavuro_runtime_name(swresample_file swresample ${TAVURO_FFMPEG_NAMES_LIBRARY_DIRS})
  set(${avformat_variable} ${avformat_file} PARENT_SCOPE)
  set(${swresample_variable} ${swresample_file} PARENT_SCOPE)
endfunction()
