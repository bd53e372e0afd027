# Makes the NuGet package of BioapiData with dotnet pack (cmake -P, arguments as in
# CMakeLists.txt) into OUT, with the release native libraries of LINUX_DIR and, when built,
# the Windows DLLs of the first folder of WINDOWS_DIRS that has them. With -DCHECK=ON it then checks the package: its
# file list and the metadata of its manifest. Without release libraries the check is
# skipped, unless BIOAPI_DATA_DOTNET_PACKAGE=complete, which also requires the Windows DLLs.
cmake_minimum_required(VERSION 3.21)

foreach(var DOTNET PROJECT ARTIFACTS OUT VERSION LINUX_DIR SOURCE_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "package.cmake: ${var} is not set")
  endif()
endforeach()
set(complete OFF)
if("$ENV{BIOAPI_DATA_DOTNET_PACKAGE}" STREQUAL "complete")
  set(complete ON)
endif()

set(release_hint "build them with: cmake --preset release && cmake --build --preset release --target bioapi_data bioapi_data_inspect")
if(NOT EXISTS ${LINUX_DIR}/libbioapi_data.so OR NOT EXISTS ${LINUX_DIR}/libbioapi_data_inspect.so)
  set(why "no release libbioapi_data.so and libbioapi_data_inspect.so in ${LINUX_DIR}; ${release_hint}")
  if(CHECK AND NOT complete)
    message("SKIPPED: ${why}")
    return()
  endif()
  message(FATAL_ERROR "package.cmake: ${why}")
endif()
# Release natives only: a Debug build in the package is a mistake of the folder given.
file(STRINGS ${LINUX_DIR}/CMakeCache.txt build_type REGEX "^CMAKE_BUILD_TYPE:")
if(NOT build_type MATCHES "=(Release|RelWithDebInfo|MinSizeRel)$")
  message(FATAL_ERROR "package.cmake: ${LINUX_DIR} is a '${build_type}' build, not a release one")
endif()
set(windows_names bioapi_data.dll bioapi_data_inspect.dll)
set(WINDOWS_DIR "")
foreach(dir IN LISTS WINDOWS_DIRS)
  set(both ON)
  foreach(name IN LISTS windows_names)
    if(NOT EXISTS ${dir}/${name})
      set(both OFF)
    endif()
  endforeach()
  if(both)
    set(WINDOWS_DIR ${dir})
    break()
  endif()
endforeach()
if(WINDOWS_DIR)
  set(have_windows ON)
  message(STATUS "win-x64 libraries from ${WINDOWS_DIR}")
else()
  set(have_windows OFF)
  if(complete)
    message(FATAL_ERROR "package.cmake: no ${windows_names} in any of '${WINDOWS_DIRS}'; build "
      "them first with 'scripts/setup windows && cmake --workflow --preset windows'")
  endif()
  message(WARNING "No ${windows_names} in '${WINDOWS_DIRS}': the package has no runtimes/win-x64.")
  set(WINDOWS_DIR ${OUT}/no-windows)
endif()

# The commit and, when the checkout has one, the address of its origin.
set(repository "")
execute_process(COMMAND git -C ${SOURCE_DIR} rev-parse HEAD
  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND git -C ${SOURCE_DIR} config --get remote.origin.url
  OUTPUT_VARIABLE origin OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(commit)
  list(APPEND repository -p:RepositoryCommit=${commit})
endif()
if(origin MATCHES "^https://")
  list(APPEND repository -p:RepositoryUrl=${origin})
endif()

file(REMOVE_RECURSE ${OUT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1
    ${DOTNET} pack ${PROJECT} -c Release --artifacts-path ${ARTIFACTS} -nologo -v:minimal --disable-build-servers
    -o ${OUT} -p:NativeLinuxDir=${LINUX_DIR}/ -p:NativeWindowsDir=${WINDOWS_DIR}/ ${repository}
  RESULT_VARIABLE failed)
set(nupkg ${OUT}/BioapiData.${VERSION}.nupkg)
if(failed OR NOT EXISTS ${nupkg})
  message(FATAL_ERROR "package.cmake: dotnet pack made no ${nupkg}")
endif()
message(STATUS "NuGet package ${nupkg}")
if(NOT CHECK)
  return()
endif()

# The file list, less the parts that every package has ([Content_Types].xml, _rels/, package/).
set(expected
  "BioapiData.nuspec"
  "README.md"
  "lib/net8.0/BioapiData.dll"
  "lib/net8.0/BioapiData.xml"
  "lib/netstandard2.0/BioapiData.dll"
  "lib/netstandard2.0/BioapiData.xml"
  "runtimes/linux-x64/native/libbioapi_data.so"
  "runtimes/linux-x64/native/libbioapi_data_inspect.so")
if(have_windows)
  list(APPEND expected "runtimes/win-x64/native/bioapi_data.dll"
    "runtimes/win-x64/native/bioapi_data_inspect.dll")
endif()
list(SORT expected)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${nupkg}
  OUTPUT_VARIABLE zipped RESULT_VARIABLE failed)
string(REGEX REPLACE "\n$" "" zipped "${zipped}")
string(REPLACE "\n" ";" zipped "${zipped}")
foreach(part "[Content_Types].xml" "_rels/.rels")
  if(NOT part IN_LIST zipped)
    message(FATAL_ERROR "${nupkg} lacks ${part}, which every NuGet client needs")
  endif()
endforeach()
list(FILTER zipped EXCLUDE REGEX "^(\\[Content_Types\\]\\.xml|_rels/|package/)")
list(SORT zipped)
if(failed OR NOT zipped STREQUAL expected)
  message(FATAL_ERROR "${nupkg} holds\n  ${zipped}\nbut should hold\n  ${expected}")
endif()

file(MAKE_DIRECTORY ${OUT}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${nupkg} BioapiData.nuspec
  WORKING_DIRECTORY ${OUT}/unpacked)
file(READ ${OUT}/unpacked/BioapiData.nuspec nuspec)
foreach(pattern "<license type=\"expression\">[^<]+</license>" "<readme>README.md</readme>"
    "<repository type=\"git\"" "<description>[^<]+</description>" "<version>${VERSION}</version>"
    "targetFramework=\"net8.0\"" "targetFramework=\".NETStandard2.0\"")
  if(NOT nuspec MATCHES "${pattern}")
    message(FATAL_ERROR "${nupkg}'s manifest lacks ${pattern}:\n${nuspec}")
  endif()
endforeach()
message(STATUS "Package checked: ${expected}")
