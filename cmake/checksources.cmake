# SPDX-License-Identifier: MIT
# The boundaries of the source tree, checked by the test suite:
#   - every call of the system is made in core/fs, where the fault hooks
#     reach it and both platforms implement it: no raw call (nor the headers
#     that declare them) anywhere else in the product;
#   - each room of the core includes only the rooms below it
#     (fs < text < files < format < listing, engine), and the core nothing of
#     the front ends or of Qt Widgets.
# Run as: cmake -DROOT=<source folder> -P checksources.cmake
cmake_minimum_required(VERSION 3.25)

# A call of the global namespace (::open), not a member (FolderCache::open).
set(global "(^|[^A-Za-z0-9_>])::")
set(raw_calls
    "${global}(open|openat|read|write|close|stat|fstat|lstat|isatty|dup|mkdir|unlink|rename)\\("
    "statvfs" "fopen\\(" "_wopen" "_read\\(" "_write\\(" "_isatty" "_setmode" "CreateFileW" "ReadFile\\("
    "WriteFile\\(" "DeleteFileW" "GetLogicalDriveStringsW" "GetVolumeInformationW" "SetConsoleOutputCP"
    "MultiByteToWideChar" "#include <(unistd|fcntl|dirent|io|windows)\\.h>" "#include <sys/")

# Which rooms each room of the core may include ("cause.h" and the standard
# library are for all; Qt Core for all but fs).
set(allowed_fs "fs")
set(allowed_text "fs;text")
set(allowed_files "fs;text;files")
set(allowed_format "fs;text;files;format")
set(allowed_listing "fs;text;files;format;listing")
set(allowed_engine "fs;text;files;format;engine")

set(problems "")
file(GLOB_RECURSE product RELATIVE "${ROOT}"
     "${ROOT}/core/*.h" "${ROOT}/core/*.cpp" "${ROOT}/cli/*.h" "${ROOT}/cli/*.cpp"
     "${ROOT}/ui/*.h" "${ROOT}/ui/*.cpp" "${ROOT}/app/*.h" "${ROOT}/app/*.cpp"
     "${ROOT}/messages/*.h" "${ROOT}/messages/*.cpp")
foreach(source IN LISTS product)
    # Read whole and split by hand: a ';' must not split a line, nor a
    # bracket join lines (both mean something in a CMake list).
    file(READ "${ROOT}/${source}" text)
    string(REPLACE ";" "<semicolon>" text "${text}")
    string(REPLACE "[" "<open>" text "${text}")
    string(REPLACE "]" "<close>" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    string(REGEX MATCH "^core/([a-z]+)/" in_room "${source}")
    set(room "${CMAKE_MATCH_1}")
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(line MATCHES "^[ \t]*//")
            continue()
        endif()
        if(NOT source MATCHES "^core/fs/")
            foreach(call IN LISTS raw_calls)
                if(line MATCHES "${call}")
                    list(APPEND problems "${source}:${number}: a system call outside core/fs: ${line}")
                endif()
            endforeach()
        endif()
        if(room AND line MATCHES "^#include \"([a-z]+)/")
            set(included "${CMAKE_MATCH_1}")
            if(NOT included IN_LIST allowed_${room})
                list(APPEND problems "${source}:${number}: core/${room} may not include ${included}/: ${line}")
            endif()
        endif()
        if(source MATCHES "^core/" AND line MATCHES "#include [<\"](messages|ui|cli|wizard|chooser|QtWidgets|QWidget)")
            list(APPEND problems "${source}:${number}: the core includes a front end: ${line}")
        endif()
        if(room STREQUAL "fs" AND line MATCHES "#include <Q")
            list(APPEND problems "${source}:${number}: the system layer is plain C++: ${line}")
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "${text}")
endif()
list(LENGTH product count)
message(STATUS "${count} files: every system call in core/fs, each room within its bounds")
