# quorvel_layer_rule(<table> <folder> <qt-out> <uses-out>): the folder's row of
# the layer table in docs/ARCHITECTURE.md, read by the build (to link) and by
# the include check (to judge) alike: the Qt modules it may use and the other
# folders it may include.
function(quorvel_layer_rule table folder qt_out uses_out)
    file(STRINGS ${table} rows REGEX "^\\| `[a-z_]+/` \\|")
    foreach(row IN LISTS rows)
        if(row MATCHES "^\\| `${folder}/` \\|([^|]*)\\|([^|]*)\\|")
            set(qt_column "${CMAKE_MATCH_1}")
            set(uses_column "${CMAKE_MATCH_2}")
            string(REGEX MATCHALL "[A-Za-z]+" qt "${qt_column}")
            string(REGEX MATCHALL "[a-z_]+" uses "${uses_column}")
            set(${qt_out} ${qt} PARENT_SCOPE)
            set(${uses_out} ${uses} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "The table in ${table} has no row for ${folder}/")
endfunction()
