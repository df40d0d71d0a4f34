# Each folder of src/ is one static library, quorvel_<folder>, which may use
# only the Qt modules and the other folders that the table in
# docs/ARCHITECTURE.md gives it. The table is read here, so that the map a
# newcomer reads and the rule the build enforces are one and the same: the
# library links exactly those folders, and check_includes.cmake fails the
# build when one of its files includes anything else, or when files of one
# folder include each other in a loop.

set(quorvel_src ${CMAKE_CURRENT_LIST_DIR})
# Where src/CMakeLists.txt generates the version record.
set(quorvel_src_binary ${CMAKE_CURRENT_BINARY_DIR})
cmake_path(SET quorvel_layer_table NORMALIZE ${CMAKE_CURRENT_LIST_DIR}/../docs/ARCHITECTURE.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quorvel_layer_table})

include(${CMAKE_CURRENT_LIST_DIR}/LayerTable.cmake)

# Include loops between the files of a folder that the check reports as
# warnings instead of failing the build, named as it names them.
# None today: a loop is ended where it is found.
set(quorvel_allowed_include_cycles)

# quorvel_layer(<folder> <source>...): the folder's library, linked to what its
# row allows, with the include check run whenever one of its files changes.
function(quorvel_layer folder)
    quorvel_layer_rule(${quorvel_layer_table} ${folder} qt uses)
    set(target quorvel_${folder})
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${quorvel_src} ${quorvel_src_binary})
    foreach(module IN LISTS qt)
        target_link_libraries(${target} PUBLIC Qt6::${module})
    endforeach()
    foreach(used IN LISTS uses)
        target_link_libraries(${target} PUBLIC quorvel_${used})
    endforeach()

    quorvel_check_includes(${folder} ${target} ${ARGN})
endfunction()

# quorvel_check_includes(<folder> <target> <source>...): runs the include check
# of folder's files before target builds. A folder may hold the sources of more
# than one target (main_window/ has the windows' module beside its library):
# each target's files are checked on their own.
function(quorvel_check_includes folder target)
    list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
    list(FILTER sources INCLUDE REGEX "\\.(cpp|h)$")
    quorvel_layer_rule(${quorvel_layer_table} ${folder} qt uses)
    set(qt_includes "")
    foreach(module IN LISTS qt)
        get_target_property(dirs Qt6::${module} INTERFACE_INCLUDE_DIRECTORIES)
        list(APPEND qt_includes ${dirs})
    endforeach()
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_includes.checked)
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} "-DSOURCES=${sources}" -DFOLDER=${folder}
                -DTABLE=${quorvel_layer_table} "-DQT_INCLUDES=${qt_includes}"
                "-DALLOWED_CYCLES=${quorvel_allowed_include_cycles}"
                -DSTAMP=${stamp} -P ${quorvel_src}/check_includes.cmake
        DEPENDS ${sources} ${quorvel_layer_table} ${quorvel_src}/check_includes.cmake
                ${quorvel_src}/LayerTable.cmake
        COMMENT "Checking what src/${folder}/ includes"
        VERBATIM)
    add_custom_target(${target}_includes DEPENDS ${stamp})
    add_dependencies(${target} ${target}_includes)
endfunction()
