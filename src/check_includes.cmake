# Fails when a file of one folder of src/ includes a header of a folder, or of
# a Qt module, that the folder's row of the table in docs/ARCHITECTURE.md does
# not allow. The standard library's and the system's headers, and those of
# the libraries the folder links (LibRaw, Exiv2...), are always allowed.
#   SOURCES      the folder's files
#   FOLDER       the folder, as the table names it ("trimming")
#   TABLE        docs/ARCHITECTURE.md
#   QT_INCLUDES  the include folders of the Qt modules the folder may use
#   STAMP        touched when every file passes
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/LayerTable.cmake)
quorvel_layer_rule(${TABLE} ${FOLDER} qt_modules allowed)
list(APPEND allowed ${FOLDER})
list(TRANSFORM qt_modules PREPEND "Qt" OUTPUT_VARIABLE qt_folders)

string(REPLACE " " ";" sources "${SOURCES}")
set(failures "")
foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" header "${line}")
        if(line MATCHES "\"")
            # A project header: the allowed folders' own, and the generated version record.
            string(REGEX MATCH "^[^/]+" folder "${header}")
            if(NOT header STREQUAL "QuorvelVersion.h" AND NOT folder IN_LIST allowed)
                list(APPEND failures "${source}: ${header}")
            endif()
        elseif(header MATCHES "^(Qt[A-Za-z]+)/")
            if(NOT CMAKE_MATCH_1 IN_LIST qt_folders)
                list(APPEND failures "${source}: <${header}> is not of Qt ${qt_modules}")
            endif()
        elseif(header MATCHES "^Q")
            set(known FALSE)
            foreach(dir IN LISTS QT_INCLUDES)
                if(EXISTS "${dir}/${header}" AND NOT IS_DIRECTORY "${dir}/${header}")
                    set(known TRUE)
                endif()
            endforeach()
            if(NOT known)
                list(APPEND failures "${source}: <${header}> is not of Qt ${qt_modules}")
            endif()
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n  " text)
    list(REMOVE_ITEM allowed ${FOLDER})
    if(allowed)
        list(JOIN allowed ", " folders)
    else()
        set(folders "none")
    endif()
    message(FATAL_ERROR "${FOLDER}/ may use Qt ${qt_modules} and of the other folders ${folders} only:\n  ${text}")
endif()
file(TOUCH ${STAMP})
