# SPDX-License-Identifier: GPL-3.0-or-later
# Small libraries the tests share with the benchmarks, each exporting its headers of tests/support
# and nothing else of tests/: the screenless bound field and record source, and the X11 close
# request.
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/cmake/include_root.cmake)

add_library(rolvane_screenless INTERFACE)
foreach(header fake_field.h screenless_source.h)
    rolvane_include_root(rolvane_screenless INTERFACE ${CMAKE_CURRENT_LIST_DIR}/${header}
                         support/${header})
endforeach()
target_link_libraries(rolvane_screenless INTERFACE rolvane_data)

find_package(X11 QUIET)
if(X11_FOUND)
    add_library(rolvane_x11_close INTERFACE)
    rolvane_include_root(rolvane_x11_close INTERFACE ${CMAKE_CURRENT_LIST_DIR}/x11_close.h
                         support/x11_close.h)
    target_link_libraries(rolvane_x11_close INTERFACE X11::X11)
endif()
