# The Windows installer of the program: in the Windows build,
# `cmake --build <build> --target installer` runs makensis (Debian's nsis)
# on packaging/windows/quarrow.nsi and writes
# quarrow-launcher-<version>-installer.exe into the build tree. The file name
# avoids "setup": Windows applies compatibility shims to programs named so.
#
# quarrow_windows_installer(<target>): called once by the folder that defines
# the program, with the program's target.
include_guard(GLOBAL)

function(quarrow_windows_installer target)
    if(NOT TARGET ${target})
        message(FATAL_ERROR "quarrow_windows_installer: there is no target '${target}'")
    endif()
    find_program(QUARROW_MAKENSIS makensis)
    if(NOT QUARROW_MAKENSIS)
        message(STATUS "Windows installer: makensis is missing (Debian's nsis), so there is no target 'installer'")
        return()
    endif()
    set(script "${PROJECT_SOURCE_DIR}/packaging/windows/quarrow.nsi")
    set(installer "${CMAKE_BINARY_DIR}/quarrow-launcher-${PROJECT_VERSION}-installer.exe")
    # -V2: warnings and errors only; -WX: a warning fails the build, so a
    # script change that makensis doubts is noticed.
    add_custom_command(OUTPUT "${installer}"
        COMMAND "${QUARROW_MAKENSIS}" -V2 -WX -NOCD
                "-DQUARROW_VERSION=${PROJECT_VERSION}"
                "-DQUARROW_EXE=$<TARGET_FILE:${target}>"
                "-DQUARROW_ICON=${PROJECT_SOURCE_DIR}/res/icon.ico"
                "-DQUARROW_OUTFILE=${installer}"
                "${script}"
        DEPENDS ${target} "${script}" "${PROJECT_SOURCE_DIR}/res/icon.ico"
        COMMENT "Building the Windows installer quarrow-launcher-${PROJECT_VERSION}-installer.exe"
        VERBATIM)
    add_custom_target(installer DEPENDS "${installer}")
endfunction()
