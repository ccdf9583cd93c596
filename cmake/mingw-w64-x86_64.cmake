# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, for std::thread
# and std::mutex). Tests run under Wine when it is found.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The executables carry their C++ runtime, so Wine needs no DLL search path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(TOLMARIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TOLMARIN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLMARIN_WINE})
endif()
