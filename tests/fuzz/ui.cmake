# The parameter page's text, as "Laden" reads it.
set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
set(root ${PROJECT_SOURCE_DIR})
add_executable(fuzz_param_sheet ${CMAKE_CURRENT_LIST_DIR}/FuzzParamSheet.cpp
               ${root}/ui/ParamSheet.cpp ${root}/ui/Layout.cpp ${root}/pen/PenImport.cpp
               ${root}/pen/CPVars.cpp ${root}/platform/Utf.cpp)
target_include_directories(fuzz_param_sheet PRIVATE ${root}/ui ${root}/pen ${root}/platform
                                                    ${root}/serial ${root}/version)
target_compile_options(fuzz_param_sheet PRIVATE ${fuzz_flags})
target_link_options(fuzz_param_sheet PRIVATE ${fuzz_flags})
target_link_libraries(fuzz_param_sheet PRIVATE stylorix_warnings)
set_target_properties(fuzz_param_sheet PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fuzz)
