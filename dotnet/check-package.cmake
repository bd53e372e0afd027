# Makes the NuGet layout (package.cmake, same arguments) and checks it: its
# file list, the .nupkg's, and that lib/netstandard2.0/BioapiData.dll is the
# assembly that the tests ran (its SHA-256 is in TESTED). With the environment
# variable BIOAPI_DATA_DOTNET_PACKAGE=complete the Windows DLL must be there.
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/package.cmake)

set(expected
  "BioapiData.nuspec"
  "[Content_Types].xml"
  "lib/netstandard2.0/BioapiData.dll"
  "lib/netstandard2.0/BioapiData.xml"
  "runtimes/linux-x64/native/libbioapi_data.so")
if(LINUX_INSPECT_LIBRARY)
  list(APPEND expected "runtimes/linux-x64/native/libbioapi_data_inspect.so")
endif()
foreach(name IN LISTS windows_names)
  if(EXISTS ${OUT}/runtimes/win-x64/native/${name} OR
     "$ENV{BIOAPI_DATA_DOTNET_PACKAGE}" STREQUAL "complete")
    list(APPEND expected "runtimes/win-x64/native/${name}")
  endif()
endforeach()
list(SORT expected)

file(GLOB_RECURSE found RELATIVE ${OUT} ${OUT}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "The package holds\n  ${found}\nbut should hold\n  ${expected}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${nupkg}
  OUTPUT_VARIABLE zipped RESULT_VARIABLE failed)
string(REGEX REPLACE "\n$" "" zipped "${zipped}")
string(REPLACE "\n" ";" zipped "${zipped}")
list(SORT zipped)
if(failed OR NOT zipped STREQUAL expected)
  message(FATAL_ERROR "${nupkg} holds\n  ${zipped}\nbut should hold\n  ${expected}")
endif()

if(NOT EXISTS ${TESTED})
  message(FATAL_ERROR "No record of a test run (${TESTED}): run the test dotnet_tests first")
endif()
file(READ ${TESTED} tested)
string(REGEX MATCH "^[0-9a-f]+" tested_hash "${tested}")
file(SHA256 ${OUT}/lib/netstandard2.0/BioapiData.dll packaged_hash)
if(NOT packaged_hash STREQUAL tested_hash)
  message(FATAL_ERROR "The package's BioapiData.dll (SHA-256 ${packaged_hash}) is not "
    "the assembly that the tests ran: ${tested}")
endif()
message(STATUS "Package checked: ${expected}; its assembly is the tested one (${tested_hash})")
