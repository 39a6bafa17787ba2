# SPDX-License-Identifier: GPL-3.0-or-later
# The include-edge check against small trees of one include each: it must pass the allowed edges
# and fail every forbidden one.
#   cmake -DCHECK=<include_edges.cmake> -DWORK=<scratch folder> -P include_edges_cases.cmake
cmake_minimum_required(VERSION 3.25)

# file that includes | what it includes | expected
set(cases
    "src/data/a.cpp|data/b.h|pass"
    "src/data/a.cpp|b.h|pass"
    "src/ui/main/a.cpp|data/b.h|pass"
    "src/ui/main/a.cpp|ui/common/b.h|pass"
    "src/ui/about/a.cpp|platform/b.h|pass"
    "src/app/a.cpp|ui/search/b.h|pass"
    "tools/x/a.cpp|platform/b.h|pass"
    "src/data/a.cpp|ui/common/b.h|fail"
    "src/data/a.cpp|platform/b.h|fail"
    "src/data/a.cpp|app/b.h|fail"
    "src/exchange/a.cpp|data/b.h|pass"
    "src/exchange/a.cpp|ui/common/b.h|fail"
    "src/exchange/a.cpp|platform/b.h|fail"
    "src/carddav/a.cpp|exchange/b.h|pass"
    "src/carddav/a.cpp|ui/common/b.h|fail"
    "src/carddav/a.cpp|platform/b.h|fail"
    "src/carddav/a.cpp|app/b.h|fail"
    "src/platform/a.cpp|ui/common/b.h|fail"
    "src/platform/a.cpp|app/b.h|fail"
    "src/ui/common/a.cpp|ui/main/b.h|fail"
    "src/ui/main/a.cpp|ui/search/b.h|fail"
    "src/ui/search/a.cpp|../main/b.h|fail"
    "src/ui/about/a.cpp|app/b.h|fail"
    "src/ui/sync/a.cpp|ui/main/b.h|fail"
    "src/ui/sync/a.cpp|carddav/b.h|fail"
    "src/app/a.cpp|carddav/b.h|fail"
    "tools/x/a.cpp|app/b.h|fail")

set(failures 0)
set(n 0)
foreach(case ${cases})
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 from)
    list(GET fields 1 included)
    list(GET fields 2 expected)
    math(EXPR n "${n} + 1")
    set(root ${WORK}/case${n})
    file(REMOVE_RECURSE ${root})
    file(WRITE ${root}/${from} "#include \"${included}\"\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -P ${CHECK} RESULT_VARIABLE rc
                    OUTPUT_QUIET ERROR_QUIET)
    if((rc EQUAL 0 AND expected STREQUAL "fail") OR (NOT rc EQUAL 0 AND expected STREQUAL "pass"))
        message(STATUS "${from} including \"${included}\" should ${expected}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} case(s) judged wrongly")
endif()
