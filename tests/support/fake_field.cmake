# The screenless bound field, a library of its own that the tests and the benchmarks both link;
# it exports "support/fake_field.h" and nothing else of tests/.
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/cmake/include_root.cmake)

add_library(rolvane_fake_field INTERFACE)
rolvane_include_root(rolvane_fake_field INTERFACE ${CMAKE_CURRENT_LIST_DIR}/fake_field.h
                     support/fake_field.h)
target_link_libraries(rolvane_fake_field INTERFACE rolvane_data)
