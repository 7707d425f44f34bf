# A second build of the program with hosts of its own, for the end-to-end
# tests: the portal's hosts are build settings baked into the launcher's
# address table (launcher/AddressTable.h, generated from the cache variables
# QUARROW_WEB_HOST and friends), so a launcher that talks to a test portal on
# loopback is a program of its own, built beside the real one in the same
# tree without touching the cache.
#
# quarrow_program_for_hosts(<target> FROM <program target>
#                           WEB_HOST <host> GAME_HOST <host> CHAT_HOST <host>
#                           [CHAT_WV <value>] [CHAT_K <value>]
#                           [OUTPUT_DIRECTORY <dir>])
#
# generates an address table with those values (CHAT_WV and CHAT_K default
# to the cache's) and builds <target> from the same sources as <program
# target>: every library of the program that depends on the address table
# (quarrow_launcher itself and every library that links it, such as
# quarrow_app) is compiled again into <target> against the new table; the
# libraries below them (quarrow_layered, quarrow_afx, the window system, the
# entry point) are linked as they are. The program's resources are embedded
# as in the real one. OUTPUT_DIRECTORY (default: a folder named after the
# target) is where the executable is written; what must sit beside it (the
# loader, the web-process extension) is the caller's to put there.
include_guard(GLOBAL)

# The targets named by link items: a $<LINK_LIBRARY:feature,a,b> item
# stands for a and b (the sources compiled here need no such feature, as
# object files always go into the program whole).
function(_quarrow_link_targets out)
    set(names "")
    foreach(item ${ARGN})
        if(item MATCHES "^\\$<LINK_LIBRARY:[^,>]+,(.+)>$")
            string(REPLACE "," ";" inner "${CMAKE_MATCH_1}")
            list(APPEND names ${inner})
        else()
            list(APPEND names "${item}")
        endif()
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

# The targets that <targets> link, directly or through others, themselves
# included; imported targets (system libraries) end the walk.
function(_quarrow_link_closure out)
    set(seen "")
    set(todo ${ARGN})
    while(todo)
        list(POP_FRONT todo t)
        if(NOT TARGET ${t} OR t IN_LIST seen)
            continue()
        endif()
        get_target_property(imported ${t} IMPORTED)
        if(imported)
            continue()
        endif()
        list(APPEND seen ${t})
        get_target_property(libs ${t} LINK_LIBRARIES)
        if(libs)
            _quarrow_link_targets(libs ${libs})
            list(APPEND todo ${libs})
        endif()
    endwhile()
    set(${out} "${seen}" PARENT_SCOPE)
endfunction()

function(quarrow_program_for_hosts target)
    cmake_parse_arguments(P "" "FROM;WEB_HOST;GAME_HOST;CHAT_HOST;CHAT_WV;CHAT_K;OUTPUT_DIRECTORY" "" ${ARGN})
    foreach(required FROM WEB_HOST GAME_HOST CHAT_HOST)
        if(NOT P_${required})
            message(FATAL_ERROR "quarrow_program_for_hosts(${target}): ${required} is required")
        endif()
    endforeach()
    if(NOT TARGET ${P_FROM})
        message(FATAL_ERROR "quarrow_program_for_hosts(${target}): there is no program target '${P_FROM}'")
    endif()
    if(NOT TARGET quarrow_launcher)
        message(FATAL_ERROR "quarrow_program_for_hosts(${target}): there is no quarrow_launcher library")
    endif()
    if(NOT P_CHAT_WV)
        set(P_CHAT_WV "${QUARROW_CHAT_WV}")
    endif()
    if(NOT P_CHAT_K)
        set(P_CHAT_K "${QUARROW_CHAT_K}")
    endif()
    if(NOT P_OUTPUT_DIRECTORY)
        set(P_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/${target}")
    endif()

    # The table, from the launcher's own template: these variables shadow
    # the cache's inside this function only.
    set(generated "${CMAKE_CURRENT_BINARY_DIR}/${target}-generated")
    set(QUARROW_WEB_HOST "${P_WEB_HOST}")
    set(QUARROW_GAME_HOST "${P_GAME_HOST}")
    set(QUARROW_CHAT_HOST "${P_CHAT_HOST}")
    set(QUARROW_CHAT_WV "${P_CHAT_WV}")
    set(QUARROW_CHAT_K "${P_CHAT_K}")
    get_target_property(launcher_dir quarrow_launcher SOURCE_DIR)
    configure_file("${launcher_dir}/AddressTable.h.in" "${generated}/launcher/AddressTable.h" @ONLY)

    # Which of the program's libraries carry the table: those that are, or
    # link, quarrow_launcher. Linking any of them as built would bring the
    # real table's objects and include folder along, so each is compiled
    # again here instead.
    get_target_property(program_libs ${P_FROM} LINK_LIBRARIES)
    _quarrow_link_targets(program_libs ${program_libs})
    _quarrow_link_closure(closure ${program_libs})
    set(rebuilt "")
    foreach(lib ${closure})
        _quarrow_link_closure(below ${lib})
        if("quarrow_launcher" IN_LIST below)
            list(APPEND rebuilt ${lib})
        endif()
    endforeach()

    set(sources "")
    set(links "")
    foreach(lib ${rebuilt})
        get_target_property(dir ${lib} SOURCE_DIR)
        get_target_property(files ${lib} SOURCES)
        foreach(file ${files})
            if(IS_ABSOLUTE "${file}")
                list(APPEND sources "${file}")
            else()
                list(APPEND sources "${dir}/${file}")
            endif()
        endforeach()
        get_target_property(libs ${lib} LINK_LIBRARIES)
        if(libs)
            _quarrow_link_targets(libs ${libs})
            list(APPEND links ${libs})
        endif()
    endforeach()
    list(APPEND links ${program_libs})
    list(REMOVE_DUPLICATES links)
    list(REMOVE_ITEM links ${rebuilt})

    add_executable(${target} ${sources})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${P_OUTPUT_DIRECTORY}")
    # The new table's folder comes first; the include roots are those every
    # library of ours has.
    target_include_directories(${target} BEFORE PRIVATE "${generated}")
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/platform" "${PROJECT_SOURCE_DIR}")
    foreach(lib ${rebuilt})
        target_compile_definitions(${target} PRIVATE $<TARGET_PROPERTY:${lib},COMPILE_DEFINITIONS>)
    endforeach()
    target_link_libraries(${target} PRIVATE ${links})
    quarrow_warnings(${target})
    quarrow_embed_resources(${target})
endfunction()
