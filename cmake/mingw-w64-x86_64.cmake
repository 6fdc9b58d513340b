# SPDX-License-Identifier: MIT
# Cross-compiling for Windows x86_64 with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix, binutils-mingw-w64-x86-64). The -posix
# compilers, as std::thread and std::mutex need their thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
foreach(_tool ar ranlib nm objcopy objdump strip)
    string(TOUPPER ${_tool} _name)
    set(CMAKE_${_name} /usr/bin/${_triple}-${_tool} CACHE FILEPATH "${_tool}")
endforeach()

# Libraries, headers and packages only from MinGW's root and the Windows Qt
# given in CMAKE_PREFIX_PATH, never from the Linux system; programs (moc,
# rcc) from the system.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${_triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(PKG_CONFIG_EXECUTABLE "" CACHE FILEPATH "no pkg-config for the Windows build" FORCE)

# The tests run under wine, each in the build folder's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
