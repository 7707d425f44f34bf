# Toolchain for the Windows build: MinGW-w64's cross compiler for 64-bit
# Windows (Debian's g++-mingw-w64-x86-64-posix; the posix thread variant,
# since GoogleTest needs std::mutex) with the SDK headers of
# mingw-w64-x86-64-dev. Use with
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARROW_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARROW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARROW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARROW_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUARROW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable that needs only the DLLs Windows ships: the C and C++
# runtimes and winpthreads are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
