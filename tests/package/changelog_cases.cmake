# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian changelog made from a CHANGELOG.md: dpkg's own parser reads every entry back with its
# version and day, the weekdays are those `date` gives, and no line runs past 80 columns.
#   cmake -DSCRIPT=cmake/changelog.cmake -DWORK=DIR -P changelog_cases.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/CHANGELOG.md "# Changes

Text before the first version is left out.

## 3.1.0 (2024-02-29)

- A long item that runs on past the width of one line of the package's changelog; it keeps its
  semicolon, and its `quoted` words lose their backticks.
- A short one.

## 3.0.0 (2000-01-01)

- The first.
")

execute_process(
    COMMAND ${CMAKE_COMMAND} -DINPUT=${WORK}/CHANGELOG.md -DOUTPUT=${WORK}/changelog
            -DPACKAGE=sample "-DMAINTAINER=Someone <someone@example.org>" -P ${SCRIPT}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "the changelog was not made")
endif()

file(STRINGS ${WORK}/changelog lines)
foreach(line IN LISTS lines)
    string(LENGTH "${line}" length)
    if(length GREATER 80 AND NOT line MATCHES "^ -- ")
        message(FATAL_ERROR "longer than 80 columns: ${line}")
    endif()
endforeach()
file(READ ${WORK}/changelog text)
foreach(expected "; it keeps its" "quoted words" "  * A short one.\n")
    string(FIND "${text}" "${expected}" at)
    if(at LESS 0)
        message(FATAL_ERROR "\"${expected}\" is not in:\n${text}")
    endif()
endforeach()
if(text MATCHES "before the first|`")
    message(FATAL_ERROR "text that is no item came through:\n${text}")
endif()

# Entry by entry, newest first, as dpkg reads them.
foreach(case "0;3.1.0;2024-02-29" "1;3.0.0;2000-01-01")
    list(GET case 0 offset)
    list(GET case 1 version)
    list(GET case 2 day)
    execute_process(COMMAND dpkg-parsechangelog -l ${WORK}/changelog --offset ${offset} --count 1
                            -S Version
                    OUTPUT_VARIABLE read OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT read STREQUAL version)
        message(FATAL_ERROR "entry ${offset}: version \"${read}\", not ${version}")
    endif()
    execute_process(COMMAND dpkg-parsechangelog -l ${WORK}/changelog --offset ${offset} --count 1
                            -S Date
                    OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND date -u -R -d ${day}
                    OUTPUT_VARIABLE expected OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT date STREQUAL expected)
        message(FATAL_ERROR "entry ${offset}: date \"${date}\", not \"${expected}\"")
    endif()
endforeach()
