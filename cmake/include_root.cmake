# SPDX-License-Identifier: GPL-3.0-or-later
# A target's own include root: a folder in the build tree that holds a link to the target's
# headers and nothing else, so `#include "<as>/x.h"` resolves only in targets that link it.
include_guard(GLOBAL)

# rolvane_include_root(<target> <PUBLIC|INTERFACE> <path> <as>): `path` (a folder or one header)
# becomes `<as>` below the root. Where links cannot be made (Windows without the right), the
# folder that holds `<as>` is exported instead; the include-edge test still guards the layers.
function(rolvane_include_root target scope path as)
    set(root ${CMAKE_BINARY_DIR}/include_roots/${target})
    get_filename_component(parent ${root}/${as} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${path} ${root}/${as} RESULT failure SYMBOLIC)
    if(failure)
        string(REGEX REPLACE "/${as}$" "" root ${path})
        message(STATUS "${target}: no link (${failure}); exporting ${root}")
    endif()
    target_include_directories(${target} ${scope} ${root})
endfunction()
