# 32-bit x86 Linux with Debian's multilib compiler (package g++-multilib), for
# the tests on a kernel that may run no 32-bit programs: they run through
# the emulator PIXMILL_I386_EMULATOR (qemu-i386), at build time too (test
# discovery).  GoogleTest must be a 32-bit build of its own: .ci/linux32
# builds one from /usr/src/googletest and passes its prefix.
#   cmake -B build-m32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux-gnu.cmake \
#         -DPIXMILL_I386_EMULATOR=/path/to/qemu-i386 -DCMAKE_PREFIX_PATH=<32-bit GoogleTest>
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# Arithmetic in SSE2 registers as on x86-64, never in the x87 unit's
# extended precision, so every rounding is the one of the 64-bit library.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(PIXMILL_I386_EMULATOR "" CACHE FILEPATH "Runs a 32-bit x86 Linux program (qemu-i386)")
if(PIXMILL_I386_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${PIXMILL_I386_EMULATOR}")
endif()
# Only the 32-bit prefixes given: never the system's 64-bit libraries.
set(CMAKE_FIND_USE_PACKAGE_REGISTRY OFF)
