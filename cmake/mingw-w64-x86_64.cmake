# Cross build for 64-bit Windows from Linux with Debian's mingw-w64 (g++
# with POSIX threads, for std::thread). Used by scripts/build-windows.sh:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SONOMOT_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SONOMOT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SONOMOT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SONOMOT_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SONOMOT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread go into each .exe and .dll: they
# import only the DLLs of Windows itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under wine on the build machine (the tests).
find_program(SONOMOT_WINE wine)
if(SONOMOT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SONOMOT_WINE})
endif()
