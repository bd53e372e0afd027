# Checks the Windows binaries of a build with objdump (cmake -P script):
#   cmake -DOBJDUMP=<objdump> -DDIR=<runtime output directory>
#         -DLIBRARY=<bioapi_data.dll> -P check-windows-binaries.cmake
#
# - Every DLL and program in DIR imports only Windows system DLLs and DLLs
#   built beside it: the toolchain's runtime (libgcc, libstdc++, winpthread)
#   is linked in statically, so nothing of it must be shipped.
# - LIBRARY exports the classes of the namespace BioAPI_Data and the
#   functions of its C interface by their plain names, and nothing else: no
#   part of the C++ runtime and no internal helper.
cmake_minimum_required(VERSION 3.20)

foreach(var OBJDUMP DIR LIBRARY)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

# DLLs of Windows itself that the binaries may import.
set(system_dlls
  kernel32.dll msvcrt.dll ucrtbase.dll ntdll.dll advapi32.dll user32.dll
  bcrypt.dll ws2_32.dll shell32.dll ole32.dll)

function(pe_headers binary out_var)
  execute_process(COMMAND ${OBJDUMP} -p ${binary}
    OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${binary} failed: ${status}")
  endif()
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

file(GLOB binaries ${DIR}/*.dll ${DIR}/*.exe)
set(built_here "")
foreach(binary IN LISTS binaries)
  get_filename_component(name ${binary} NAME)
  string(TOLOWER ${name} name)
  list(APPEND built_here ${name})
endforeach()

set(failures "")
foreach(binary IN LISTS binaries)
  get_filename_component(name ${binary} NAME)
  pe_headers(${binary} lines)
  set(imports "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*DLL Name: (.+)$")
      set(dll ${CMAKE_MATCH_1})
      list(APPEND imports ${dll})
      string(TOLOWER ${dll} key)
      if(NOT key IN_LIST system_dlls AND NOT key IN_LIST built_here
         AND NOT key MATCHES "^api-ms-win-")
        string(APPEND failures "${name} imports ${dll}\n")
      endif()
    endif()
  endforeach()
  list(JOIN imports ", " imports)
  message(STATUS "${name} imports ${imports}")
endforeach()

pe_headers(${LIBRARY} lines)
set(in_table FALSE)
set(exports "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_table TRUE)
  elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports ${CMAKE_MATCH_1})
  elseif(in_table)
    set(in_table FALSE)
  endif()
endforeach()
list(LENGTH exports count)
message(STATUS "${LIBRARY} exports ${count} symbols")
# Members, vtables and type information of BioAPI_Data's classes, and its
# functions, in the Itanium mangling that MinGW uses; the C functions unmangled.
set(exported_namespace "^(_Z(N|NK|TI|TS|TV)?N?11BioAPI_Data|bioapi_[a-z_]+$)")
foreach(symbol IN LISTS exports)
  if(NOT symbol MATCHES "${exported_namespace}")
    string(APPEND failures "${LIBRARY} exports ${symbol}\n")
  endif()
endforeach()
if(NOT "_ZTIN11BioAPI_Data15BioAPIExceptionE" IN_LIST exports)
  string(APPEND failures
    "${LIBRARY} does not export the type information of BioAPIException\n")
endif()

foreach(symbol bioapi_bir_decode bioapi_bir_encode bioapi_error_message bioapi_free)
  if(NOT symbol IN_LIST exports)
    string(APPEND failures "${LIBRARY} does not export ${symbol}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
