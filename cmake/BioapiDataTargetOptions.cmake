# Warnings, sanitizers and the runtime linkage are set per target, never
# through the global flags, so that a project embedding this one keeps its own
# settings.
function(bioapi_data_target_options target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    if(BIOAPI_DATA_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      "$<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor;-Wold-style-cast;-Woverloaded-virtual>")
    if(BIOAPI_DATA_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(MINGW)
    # libgcc, libstdc++ and winpthread go into each DLL and program, so that
    # only system DLLs must be found beside them.
    target_link_options(${target} PRIVATE -static)
  endif()
  if(BIOAPI_DATA_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=${BIOAPI_DATA_SANITIZE} -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=${BIOAPI_DATA_SANITIZE})
  endif()
endfunction()
