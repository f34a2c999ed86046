# The logic links Qt Core only; this check makes that a rule the build keeps:
# every #include <...> of a logic file must be a Qt Core header or a standard
# one, and every #include "..." must name a logic header. (A path such as
# <QtWidgets/QWidget> would otherwise build, since Qt's include root is on
# the path for Qt Core too.)
#   cmake -DSOURCE_DIR=... -DQTCORE_DIR=... -P check-logic-includes.cmake
cmake_minimum_required(VERSION 3.25)
set(logic_folders app browse history filter common platform)
file(GLOB files RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/browse/*.cpp ${SOURCE_DIR}/browse/*.h
     ${SOURCE_DIR}/history/*.cpp ${SOURCE_DIR}/history/*.h ${SOURCE_DIR}/filter/*.cpp ${SOURCE_DIR}/filter/*.h
     ${SOURCE_DIR}/common/*.cpp ${SOURCE_DIR}/common/*.h ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/platform/*.h
     ${SOURCE_DIR}/host/*.h)
# The executable's own main() puts the window together: it is not logic.
list(REMOVE_ITEM files app/main.cpp)
set(offences "")
foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        if(line MATCHES "<([^>]+)>")
            set(header ${CMAKE_MATCH_1})
            if(header MATCHES "^Q" OR header MATCHES "^Qt")
                if(NOT EXISTS ${QTCORE_DIR}/${header} OR header MATCHES "/")
                    string(APPEND offences "${file}: <${header}> is not a Qt Core header\n")
                endif()
            endif()
        elseif(line MATCHES "\"([^\"]+)\"")
            set(header ${CMAKE_MATCH_1})
            string(REGEX MATCH "^[^/]+" folder "${header}")
            if(NOT folder IN_LIST logic_folders AND NOT header MATCHES "^host/(host|design)\\.h$")
                string(APPEND offences "${file}: \"${header}\" is not a logic header\n")
            endif()
        endif()
    endforeach()
endforeach()
if(offences)
    message(FATAL_ERROR "The logic may use Qt Core only:\n${offences}")
endif()
list(LENGTH files count)
message(STATUS "${count} logic files include Qt Core and logic headers only")
