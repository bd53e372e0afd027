# Builds the library, its tests and the tools for 32-bit x86 Linux with the
# host's GCC and -m32 (Debian: g++-12-multilib), and runs the programs under
# user-mode QEMU (qemu-i386, Debian: qemu-user).
#
#   cmake --preset x86   # or: cmake -DCMAKE_TOOLCHAIN_FILE=<this file> ...
#
# size_t, pointers and long are 32 bits wide here: sizes near the record's
# 2147483647-byte limit are at the edge of what the address space holds.
#
# Why always QEMU: some x86-64 kernels are built or booted without 32-bit
# support, and there a 32-bit program fails with "Exec format error" (the
# shell then reads it as a script). QEMU runs the programs on every host, so
# the tests take the same path everywhere instead of one path per kernel.
# Naming the system makes this a cross build, which is what lets ctest and
# gtest_discover_tests start each program through the emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(BIOAPI_DATA_M32_FLAGS -m32)

# The kernel's asm/ headers serve both widths. Debian installs them under the
# x86-64 multiarch directory, which -m32 does not search; gcc-multilib links
# them as /usr/include/asm, but it cannot be installed beside cross compilers
# such as g++-s390x-linux-gnu. Without it, the same link goes in the build
# tree, searched after every system directory.
if(NOT EXISTS /usr/include/asm AND IS_DIRECTORY /usr/include/x86_64-linux-gnu/asm)
  set(asm_dir ${CMAKE_BINARY_DIR}/m32-include)
  file(MAKE_DIRECTORY ${asm_dir})
  if(NOT EXISTS ${asm_dir}/asm)
    file(CREATE_LINK /usr/include/x86_64-linux-gnu/asm ${asm_dir}/asm SYMBOLIC)
  endif()
  string(APPEND BIOAPI_DATA_M32_FLAGS " -idirafter ${asm_dir}")
endif()

set(CMAKE_C_FLAGS_INIT "${BIOAPI_DATA_M32_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${BIOAPI_DATA_M32_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# The programs' loader and libraries are the host's 32-bit ones (libc6-i386,
# which g++-12-multilib brings), found from the root.
find_program(BIOAPI_DATA_QEMU NAMES qemu-i386 qemu-i386-static
  DOC "User-mode QEMU that runs the 32-bit x86 programs")
if(NOT BIOAPI_DATA_QEMU)
  message(FATAL_ERROR
    "The x86 preset runs its 32-bit tests under qemu-i386, which is missing "
    "(Debian: qemu-user; scripts/setup x86 installs it).")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${BIOAPI_DATA_QEMU} -L /)
