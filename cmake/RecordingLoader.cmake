# quarrow_place_recording_loader(<test target> [NAME <file name>]): puts a
# copy of the recording stand-in loader (tools/recording-loader) beside a
# test executable, as "quilbyLoader.exe" unless NAME says otherwise, so that
# CreateProcessA finds it in the executable's own directory as it finds the
# real loader beside the launcher. The copy is refreshed whenever the
# loader is rebuilt, and is in place before the test target is built.
function(quarrow_place_recording_loader target)
    cmake_parse_arguments(P "" "NAME" "" ${ARGN})
    if(NOT P_NAME)
        set(P_NAME "quilbyLoader.exe")
    endif()
    get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT dir)
        set(dir "${CMAKE_CURRENT_BINARY_DIR}")
    endif()
    set(copy "${dir}/${P_NAME}")
    add_custom_command(OUTPUT "${copy}"
        COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:recording-loader>" "${copy}"
        DEPENDS recording-loader
        COMMENT "Placing the recording loader as ${P_NAME} beside ${target}"
        VERBATIM)
    add_custom_target(${target}_${P_NAME}_placed DEPENDS "${copy}")
    add_dependencies(${target} ${target}_${P_NAME}_placed)
endfunction()
