# Compile options shared by every target of the tree: warnings, sanitizers and the
# symbol visibility that keeps the module's one export the only visible symbol.

add_library(kel_compile_options INTERFACE)
target_compile_options(kel_compile_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion)
if(KEL_WARNINGS_AS_ERRORS)
  target_compile_options(kel_compile_options INTERFACE -Werror)
endif()

if(NOT WIN32)
  # Hidden by default: only symbols marked for export leave the shared object.
  set(CMAKE_CXX_VISIBILITY_PRESET hidden)
  set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GNU unique symbols (from inline and template statics) would make dlclose a no-op and
    # keep the module's exit list from running at unload.
    target_compile_options(kel_compile_options INTERFACE -fno-gnu-unique)
  endif()
endif()

if(WIN32)
  # The C++ runtime, libgcc and winpthread are linked in, so every binary imports
  # system DLLs only and runs under wine without extra search paths.
  target_link_options(kel_compile_options INTERFACE -static)
endif()

if(KEL_SANITIZERS)
  target_compile_options(kel_compile_options INTERFACE -fsanitize=${KEL_SANITIZERS}
    -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(kel_compile_options INTERFACE -fsanitize=${KEL_SANITIZERS})
endif()
