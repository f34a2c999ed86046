# Each room of the program includes only what lies below it; this check makes
# that a rule the build keeps. A room's #include <Q...> must name a header of
# the Qt modules it links (a path such as <QtWidgets/QWidget> would otherwise
# build, since Qt's include root is on the path for Qt Core too), and its
# #include "..." a header of its own or of a room it may use.
#   cmake -DSOURCE_DIR=... -DQT_CORE_DIR=... -DQT_GUI_DIR=... -P check-includes.cmake
cmake_minimum_required(VERSION 3.25)

set(offences "")
set(checked 0)

# check_room(NAME room QT <none|Core|Gui|any> FILES <globs> MAY <include prefixes>)
function(check_room)
    cmake_parse_arguments(ROOM "" "NAME;QT" "FILES;EXCEPT;MAY" ${ARGN})
    set(globs "")
    foreach(glob IN LISTS ROOM_FILES)
        list(APPEND globs ${SOURCE_DIR}/${glob})
    endforeach()
    file(GLOB files RELATIVE ${SOURCE_DIR} ${globs})
    if(ROOM_EXCEPT)
        list(REMOVE_ITEM files ${ROOM_EXCEPT})
    endif()
    set(qt_dirs "")
    if(ROOM_QT STREQUAL "Core")
        set(qt_dirs ${QT_CORE_DIR})
    elseif(ROOM_QT STREQUAL "Gui")
        set(qt_dirs ${QT_CORE_DIR} ${QT_GUI_DIR})
    endif()
    foreach(file IN LISTS files)
        math(EXPR checked_now "${checked} + 1")
        set(checked ${checked_now})
        file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS lines)
            if(line MATCHES "<([^>]+)>")
                set(header ${CMAKE_MATCH_1})
                if(NOT header MATCHES "^Q" OR ROOM_QT STREQUAL "any")
                    continue()
                endif()
                set(found FALSE)
                foreach(dir IN LISTS qt_dirs)
                    if(EXISTS ${dir}/${header} AND NOT header MATCHES "/")
                        set(found TRUE)
                    endif()
                endforeach()
                if(NOT found)
                    string(APPEND offences "${file}: <${header}> is not a header of Qt ${ROOM_QT} (${ROOM_NAME})\n")
                endif()
            elseif(line MATCHES "\"([^\"]+)\"")
                set(header ${CMAKE_MATCH_1})
                set(allowed FALSE)
                foreach(prefix IN LISTS ROOM_MAY)
                    string(FIND "${header}" "${prefix}" at)
                    if(at EQUAL 0)
                        set(allowed TRUE)
                    endif()
                endforeach()
                if(NOT allowed)
                    string(APPEND offences "${file}: \"${header}\" is not for ${ROOM_NAME}\n")
                endif()
            endif()
        endforeach()
    endforeach()
    set(offences "${offences}" PARENT_SCOPE)
    set(checked ${checked} PARENT_SCOPE)
endfunction()

set(interface host/host.h host/design.h)
set(logic app/ browse/ history/ filter/ common/ platform/ ${interface})

# The logic: Qt Core and its own headers. The executable's own main() puts
# the window together: it is not logic.
check_room(NAME "the logic" QT Core
    FILES app/*.cpp app/*.h browse/*.cpp browse/*.h history/*.cpp history/*.h filter/*.cpp filter/*.h
          common/*.cpp common/*.h platform/*.cpp platform/*.h host/*.h
    EXCEPT app/main.cpp
    MAY ${logic})
# What is shared by all lies below all: it calls up into nothing.
check_room(NAME "the shared texts" QT Core FILES common/*.cpp common/*.h MAY common/)
check_room(NAME "the folder room" QT Core FILES folders/*.cpp folders/*.h MAY folders/ platform/ common/marks.h common/photonames.h)
check_room(NAME "the file-operation room" QT Core FILES fileops/*.cpp fileops/*.h MAY fileops/ platform/ common/marks.h common/photonames.h)

# The picture rooms, by trust. What runs in the window (window/) never
# includes what runs in a helper (helper/...), and the other way round; both
# share only the wire. Below the helper's server loop, the formats know
# neither first looks nor the loop, and EXIF is plain bytes on Qt Core.
check_room(NAME "the wire" QT Gui FILES picture/wire/*.cpp picture/wire/*.h MAY picture/wire/ platform/ common/marks.h)
check_room(NAME "the window's picture side" QT Gui FILES picture/window/*.cpp picture/window/*.h
    MAY picture/window/ picture/wire/ platform/)
check_room(NAME "the helper" QT Gui FILES picture/helper/*.cpp picture/helper/*.h
    MAY picture/helper/ picture/wire/ platform/)
check_room(NAME "the first looks" QT Gui FILES picture/helper/firstlook/*.cpp picture/helper/firstlook/*.h
    MAY picture/helper/firstlook/ picture/helper/formats/ picture/helper/pixels/ picture/helper/exif/ picture/wire/ platform/)
check_room(NAME "the formats" QT Gui FILES picture/helper/formats/*.cpp picture/helper/formats/*.h
    MAY picture/helper/formats/ picture/helper/pixels/ picture/helper/exif/ picture/wire/ platform/)
check_room(NAME "the photo details" QT Gui FILES picture/helper/details/*.cpp picture/helper/details/*.h
    MAY picture/helper/details/ picture/helper/formats/ picture/wire/ platform/ common/marks.h)
check_room(NAME "the marks" QT Gui FILES picture/helper/marks/*.cpp picture/helper/marks/*.h
    MAY picture/helper/marks/ picture/helper/details/ picture/helper/formats/ picture/wire/ platform/ common/marks.h)
check_room(NAME "the pixels" QT Gui FILES picture/helper/pixels/*.cpp picture/helper/pixels/*.h MAY picture/helper/pixels/)
check_room(NAME "EXIF" QT Core FILES picture/helper/exif/*.cpp picture/helper/exif/*.h MAY picture/helper/exif/)

# The Qt host's rooms: the base is for all; the lists, the viewer, the
# thumbnails and the actions know neither each other nor the window, which puts them together.
set(below_host ${interface} common/ platform/ host/qt/base/)
check_room(NAME "the host's base" QT any FILES host/qt/base/*.cpp host/qt/base/*.h MAY ${interface} common/ platform/ host/qt/base/)
check_room(NAME "the lists" QT any FILES host/qt/lists/*.cpp host/qt/lists/*.h
    MAY ${below_host} folders/ host/qt/lists/)
check_room(NAME "the viewer" QT any FILES host/qt/viewer/*.cpp host/qt/viewer/*.h
    MAY ${below_host} picture/window/ picture/wire/ host/qt/viewer/)
check_room(NAME "the thumbnails" QT any FILES host/qt/thumbs/*.cpp host/qt/thumbs/*.h
    MAY ${below_host} picture/window/ picture/wire/ host/qt/thumbs/)
check_room(NAME "the actions" QT any FILES host/qt/actions/*.cpp host/qt/actions/*.h
    MAY ${below_host} fileops/ host/qt/actions/)
check_room(NAME "the marks" QT any FILES host/qt/marks/*.cpp host/qt/marks/*.h
    MAY ${below_host} fileops/ picture/window/ picture/wire/ host/qt/actions/failuretext.h host/qt/marks/)

if(offences)
    message(FATAL_ERROR "Includes across the rooms:\n${offences}")
endif()
message(STATUS "${checked} files include only what their rooms may")
