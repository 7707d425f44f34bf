# The Windows installer of the program: in the Windows build,
# `cmake --build <build> --target installer` runs makensis (Debian's nsis)
# on packaging/windows/quarrow.nsi and writes
# quarrow-launcher-<version>-installer.exe into the build tree. The file name
# avoids "setup": Windows applies compatibility shims to programs named so.
#
# The installer carries a stripped copy of the program (whatever the build
# type, a player gets no debugging information) and, with
# QUARROW_INSTALL_DEMO_LOADER, the demo loader as quilbyLoader.exe beside
# it; a real deployment ships the game's own loader there.
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
    set(stage "${CMAKE_BINARY_DIR}/installer-files")
    set(installer "${CMAKE_BINARY_DIR}/quarrow-launcher-${PROJECT_VERSION}-installer.exe")

    set(program "${stage}/quarrow-launcher.exe")
    if(CMAKE_STRIP)
        set(copy_program "${CMAKE_STRIP}" --strip-all -o "${program}" "$<TARGET_FILE:${target}>")
    else()
        set(copy_program "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:${target}>" "${program}")
    endif()
    set(defines "-DQUARROW_VERSION=${PROJECT_VERSION}" "-DQUARROW_EXE=${program}"
                "-DQUARROW_ICON=${PROJECT_SOURCE_DIR}/res/icon.ico" "-DQUARROW_OUTFILE=${installer}")
    set(depends ${target})
    if(QUARROW_INSTALL_DEMO_LOADER)
        list(APPEND defines "-DQUARROW_LOADER=$<TARGET_FILE:demo_loader>")
        list(APPEND depends demo_loader)
    endif()

    # -V2: warnings and errors only; -WX: a warning fails the build, so a
    # script change that makensis doubts is noticed.
    add_custom_command(OUTPUT "${installer}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${stage}"
        COMMAND ${copy_program}
        COMMAND "${QUARROW_MAKENSIS}" -V2 -WX -NOCD ${defines} "${script}"
        DEPENDS ${depends} "${script}" "${PROJECT_SOURCE_DIR}/res/icon.ico"
        COMMENT "Building the Windows installer quarrow-launcher-${PROJECT_VERSION}-installer.exe"
        VERBATIM)
    add_custom_target(installer DEPENDS "${installer}")
endfunction()
