# kel_target_platform_sources(TARGET WINDOWS source... POSIX source...)
# Adds to TARGET the sources of the platform being built: the WINDOWS ones in the Windows
# build, the POSIX ones elsewhere. Relative paths name files of the calling directory.
function(kel_target_platform_sources target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "WINDOWS;POSIX")
  if(WIN32)
    target_sources(${target} PRIVATE ${ARG_WINDOWS})
  else()
    target_sources(${target} PRIVATE ${ARG_POSIX})
  endif()
endfunction()
