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
# and the resampler's).
#   tavuro_ffmpeg_runtime_names(<avformat variable> <swresample variable>)
function(tavuro_ffmpeg_runtime_names avformat_variable swresample_variable)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TAVURO_FFMPEG_NAMES REQUIRED libavformat libswresample)
  tavuro_runtime_name(avformat_file avformat ${TAVURO_FFMPEG_NAMES_LIBRARY_DIRS})
  tavuro_runtime_name(swresample_file swresample ${TAVURO_FFMPEG_NAMES_LIBRARY_DIRS})
  set(${avformat_variable} ${avformat_file} PARENT_SCOPE)
  set(${swresample_variable} ${swresample_file} PARENT_SCOPE)
endfunction()

# The names the audio library loads its codec libraries and FFTW by, each when a stream first
# needs it: sets <prefix>_MPG123, _VORBISFILE, _OPUSFILE, _FLAC and _FFTW.
#   tavuro_codec_runtime_names(<prefix>)
function(tavuro_codec_runtime_names prefix)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TAVURO_CODEC_NAMES REQUIRED libmpg123 vorbisfile opusfile flac fftw3f)
  foreach(pair mpg123:MPG123 vorbisfile:VORBISFILE opusfile:OPUSFILE FLAC:FLAC fftw3f:FFTW)
    string(REPLACE ":" ";" parts ${pair})
    list(GET parts 0 library)
    list(GET parts 1 suffix)
    tavuro_runtime_name(file ${library} ${TAVURO_CODEC_NAMES_LIBRARY_DIRS})
    set(${prefix}_${suffix} ${file} PARENT_SCOPE)
  endforeach()
endfunction()
