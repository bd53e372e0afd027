# Reports the .NET tests skipped with REASON (cmake -DREASON=... -P skip.cmake),
# or fails when BIOAPI_DATA_DOTNET_TESTS is "required".
if("$ENV{BIOAPI_DATA_DOTNET_TESTS}" STREQUAL "required")
  message(FATAL_ERROR ".NET tests required (BIOAPI_DATA_DOTNET_TESTS=required) "
    "but they cannot run: ${REASON}")
endif()
message("SKIPPED: ${REASON}")
