# Lays out the NuGet package of BioapiData in OUT and zips it into
# OUT/../BioapiData.VERSION.nupkg (cmake -P, arguments as in CMakeLists.txt):
#
#   BioapiData.nuspec
#   lib/netstandard2.0/BioapiData.dll, BioapiData.xml
#   runtimes/linux-x64/native/libbioapi_data.so, libbioapi_data_inspect.so
#   runtimes/win-x64/native/bioapi_data.dll, bioapi_data_inspect.dll (from
#     WINDOWS_DIR, the windows preset's build, when it has them)
# The inspection libraries only when LINUX_INSPECT_LIBRARY is given.
cmake_minimum_required(VERSION 3.21)

foreach(var OUT VERSION ASSEMBLY ASSEMBLY_DOC LINUX_LIBRARY NUSPEC)
  if(NOT ${var})
    message(FATAL_ERROR "package.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/lib/netstandard2.0 ${OUT}/runtimes/linux-x64/native)
file(COPY_FILE ${ASSEMBLY} ${OUT}/lib/netstandard2.0/BioapiData.dll)
file(COPY_FILE ${ASSEMBLY_DOC} ${OUT}/lib/netstandard2.0/BioapiData.xml)
file(COPY_FILE ${LINUX_LIBRARY} ${OUT}/runtimes/linux-x64/native/libbioapi_data.so)
set(windows_names bioapi_data.dll)
if(LINUX_INSPECT_LIBRARY)
  file(COPY_FILE ${LINUX_INSPECT_LIBRARY}
    ${OUT}/runtimes/linux-x64/native/libbioapi_data_inspect.so)
  list(APPEND windows_names bioapi_data_inspect.dll)
endif()
foreach(name IN LISTS windows_names)
  if(WINDOWS_DIR AND EXISTS ${WINDOWS_DIR}/${name})
    file(MAKE_DIRECTORY ${OUT}/runtimes/win-x64/native)
    file(COPY_FILE ${WINDOWS_DIR}/${name} ${OUT}/runtimes/win-x64/native/${name})
  else()
    message(WARNING "No ${name} in '${WINDOWS_DIR}': the package lacks "
      "runtimes/win-x64/native/${name}. Build it first with "
      "'scripts/setup windows && cmake --workflow --preset windows'.")
  endif()
endforeach()
configure_file(${NUSPEC} ${OUT}/BioapiData.nuspec @ONLY)
# The part types of the package (Open Packaging Conventions), as NuGet writes them.
file(WRITE "${OUT}/[Content_Types].xml" [=[<?xml version="1.0" encoding="utf-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
  <Default Extension="dll" ContentType="application/octet" />
  <Default Extension="so" ContentType="application/octet" />
  <Default Extension="xml" ContentType="application/octet" />
  <Default Extension="nuspec" ContentType="application/octet" />
</Types>
]=])

get_filename_component(parent ${OUT} DIRECTORY)
set(nupkg ${parent}/BioapiData.${VERSION}.nupkg)
file(GLOB_RECURSE entries RELATIVE ${OUT} ${OUT}/*)
list(SORT entries)
file(REMOVE ${nupkg})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${nupkg} --format=zip -- ${entries}
  WORKING_DIRECTORY ${OUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "package.cmake: could not write ${nupkg}")
endif()
message(STATUS "NuGet layout in ${OUT}, package ${nupkg}")
