# The version reader's PE locator and version-block parser. Their sources are
# compiled into each target so that the fuzzer sees their coverage.
set(root ${PROJECT_SOURCE_DIR}/version)
set(version_sources ${root}/Version.cpp ${root}/VersionBlock.cpp ${root}/PeLocator.cpp
                    ${root}/PortableVersionSource.cpp ${root}/VersionSourcePosix.cpp)
foreach(target fuzz_pelocator fuzz_versionblock)
  add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp ${version_sources})
  target_include_directories(${target} PRIVATE ${root})
  target_link_libraries(${target} PRIVATE stylorix_platform stylorix_warnings)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined
                                           -fno-sanitize-recover=undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                             ${CMAKE_BINARY_DIR}/tests/fuzz)
endforeach()
