# Compiler warnings for every target of the project.
add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE
    $<$<COMPILE_LANG_AND_ID:CXX,GNU>:-Wall -Wextra -Wshadow=local -Wnon-virtual-dtor>
    $<$<COMPILE_LANG_AND_ID:CXX,Clang>:-Wall -Wextra -Wshadow -Wnon-virtual-dtor>)
