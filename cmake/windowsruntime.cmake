# SPDX-License-Identifier: MIT
# What the Windows programs need beside them, installed with them: Qt's
# libraries, the MinGW runtime, the platform and style plugins, and Qt's own
# Japanese texts. Nothing more.
get_target_property(_qtcore Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT _qtcore)
    get_target_property(_qtcore Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(HY3_QT_BIN "${_qtcore}" DIRECTORY)
get_filename_component(HY3_QT_PREFIX "${HY3_QT_BIN}" DIRECTORY)

set(_runtime "")
foreach(_dll Qt6Core Qt6Gui Qt6Widgets libstdc++-6 libgcc_s_seh-1 libwinpthread-1)
    find_file(_found_${_dll} ${_dll}.dll
              PATHS "${HY3_QT_BIN}" /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT _found_${_dll})
        message(FATAL_ERROR "${_dll}.dll not found for the Windows package")
    endif()
    list(APPEND _runtime "${_found_${_dll}}")
endforeach()
install(FILES ${_runtime} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${HY3_QT_PREFIX}/plugins/platforms/qwindows.dll" DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES "${HY3_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll" DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
# Qt's own Japanese texts (standard buttons, context menus), from this
# machine's Qt of the same version; also beside the programs in the build.
set(_qm /usr/share/qt6/translations/qtbase_ja.qm)
if(EXISTS ${_qm})
    install(FILES ${_qm} DESTINATION ${CMAKE_INSTALL_BINDIR}/translations)
    foreach(_dir app tests)
        file(COPY ${_qm} DESTINATION ${CMAKE_BINARY_DIR}/${_dir}/translations)
    endforeach()
endif()
