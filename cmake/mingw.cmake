# Cross-compiling the Windows programs with mingw-w64, for the processor the
# including toolchain file sets. The -posix compilers provide std::thread and
# std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(PANO_MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${PANO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PANO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PANO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PANO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# SSE arithmetic rounds every float to single precision as the host does;
# the 32-bit x87 default would keep extra precision in registers.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# No DLLs beside the system's own: the runtime is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
