# The pen reply decoders and the option line. Their sources are compiled into
# the targets so the fuzzer sees coverage of the code under test.
set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
set(root ${PROJECT_SOURCE_DIR})

add_executable(fuzz_pen_replies ${CMAKE_CURRENT_LIST_DIR}/FuzzPenReplies.cpp
               ${root}/pen/PenDecode.cpp ${root}/pen/PenReply.cpp ${root}/pen/CPVars.cpp)
target_include_directories(fuzz_pen_replies PRIVATE ${root}/pen ${root}/platform ${root}/serial
                                                    ${root}/version)

add_executable(fuzz_option_line ${CMAKE_CURRENT_LIST_DIR}/FuzzOptionLine.cpp
               ${root}/app/OptionLine.cpp)
target_include_directories(fuzz_option_line PRIVATE ${root}/app)

foreach(t fuzz_pen_replies fuzz_option_line)
  target_compile_options(${t} PRIVATE ${fuzz_flags})
  target_link_options(${t} PRIVATE ${fuzz_flags})
  target_link_libraries(${t} PRIVATE stylorix_warnings)
  set_target_properties(${t} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fuzz)
endforeach()

# Code files to load: export layouts and the archive.
add_executable(fuzz_code_file ${CMAKE_CURRENT_LIST_DIR}/FuzzCodeFile.cpp
               ${root}/pen/PenImport.cpp ${root}/pen/PenExport.cpp ${root}/pen/CPVars.cpp
               ${root}/pen/FileReplacePosix.cpp ${root}/serial/DevicePath.cpp
               ${root}/platform/Utf.cpp)
target_include_directories(fuzz_code_file PRIVATE ${root}/pen ${root}/platform ${root}/serial
                                                  ${root}/version)
target_compile_options(fuzz_code_file PRIVATE ${fuzz_flags})
target_link_options(fuzz_code_file PRIVATE ${fuzz_flags})
target_link_libraries(fuzz_code_file PRIVATE stylorix_warnings)
set_target_properties(fuzz_code_file PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fuzz)
