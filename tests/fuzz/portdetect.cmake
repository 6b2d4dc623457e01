# The port table's resource-list and resource-descriptor parsers. The parsing
# unit is compiled into the target so that the fuzzer sees its coverage.
set(root ${PROJECT_SOURCE_DIR})
add_executable(fuzz_resourcelist ${CMAKE_CURRENT_LIST_DIR}/fuzz_resourcelist.cpp
               ${root}/portdetect/unitportdetect.cpp ${root}/portdetect/PortSourcesPosix.cpp)
target_include_directories(fuzz_resourcelist PRIVATE ${root}/portdetect)
target_link_libraries(fuzz_resourcelist PRIVATE stylorix_platform stylorix_warnings)
target_compile_options(fuzz_resourcelist PRIVATE -fsanitize=fuzzer,address,undefined
                                                 -fno-sanitize-recover=undefined)
target_link_options(fuzz_resourcelist PRIVATE -fsanitize=fuzzer,address,undefined)
set_target_properties(fuzz_resourcelist PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                   ${CMAKE_BINARY_DIR}/tests/fuzz)
