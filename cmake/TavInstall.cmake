# Installs the programs and what a Linux desktop needs to open .tav files with tav: the
# launcher, the icon and the "TAV Document" file type.
include(GNUInstallDirs)

set(TAV_LINUX_DIR ${PROJECT_SOURCE_DIR}/src/app/linux)

if(TARGET tav)
    install(TARGETS tav RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS tavcli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${TAV_LINUX_DIR}/tav.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TAV_LINUX_DIR}/tav.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${TAV_LINUX_DIR}/tav-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME tav.xml)

# Refresh the desktop databases when installing onto a live system (not into a staging root).
install(CODE [[
    if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
        foreach(tool_args
                "update-mime-database;${CMAKE_INSTALL_PREFIX}/share/mime"
                "update-desktop-database;${CMAKE_INSTALL_PREFIX}/share/applications"
                "gtk-update-icon-cache;-q;-t;${CMAKE_INSTALL_PREFIX}/share/icons/hicolor")
            list(GET tool_args 0 tool)
            find_program(tool_path ${tool})
            if(tool_path)
                list(REMOVE_AT tool_args 0)
                execute_process(COMMAND ${tool_path} ${tool_args} RESULT_VARIABLE ignored
                                OUTPUT_QUIET ERROR_QUIET)
            endif()
            unset(tool_path CACHE)
        endforeach()
    endif()
]])
