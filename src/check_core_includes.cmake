# Fails when a file of the core library includes anything beyond the standard
# library, the system's headers, Qt Core and the core folders themselves: the
# core must build and run where no widget, and no display, exists.
#   SOURCES           the core library's files
#   QT_CORE_INCLUDES  Qt Core's include folders, where every Qt header it may use lies
#   STAMP             touched when every file passes
cmake_minimum_required(VERSION 3.25)
set(core_folders files platform trimming)
string(REPLACE " " ";" sources "${SOURCES}")
set(failures "")
foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*$" "\\1" header "${line}")
        if(line MATCHES "\"")
            # A project header: only the core folders' own, and the generated version record.
            string(REGEX MATCH "^[^/]+" folder "${header}")
            if(NOT header STREQUAL "QuorvelVersion.h" AND NOT folder IN_LIST core_folders)
                list(APPEND failures "${source}: ${header}")
            endif()
        elseif(header MATCHES "^Q")
            set(found FALSE)
            foreach(dir IN LISTS QT_CORE_INCLUDES)
                if(EXISTS "${dir}/${header}" AND NOT IS_DIRECTORY "${dir}/${header}"
                   AND NOT header MATCHES "^Qt(Gui|Widgets|OpenGL|Concurrent)/")
                    set(found TRUE)
                endif()
            endforeach()
            if(NOT found)
                list(APPEND failures "${source}: <${header}> is not a Qt Core header")
            endif()
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "The core library may use Qt Core and the core folders only:\n  ${text}")
endif()
file(TOUCH ${STAMP})
