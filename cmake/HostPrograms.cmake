# The native programs that the Windows tests run on the Linux side of Wine
# (the pen simulator, the pty shim, the pty host and the port holder) are
# built with the host's compilers in one sub-build of their own folders
# (cmake/host), as part of `all`. Here they are imported targets with the
# same names as in the native build, so the tests name them alike in both.
# Building needs no Wine.
include(ExternalProject)

find_program(STYLORIX_HOST_CC NAMES cc gcc REQUIRED)
find_program(STYLORIX_HOST_CXX NAMES c++ g++ REQUIRED)
set(host_dir ${CMAKE_BINARY_DIR}/host)
set(host_targets pensim serial_ptyhost ptyhold stylorix_ptyshim)
set(host_files tools/pensim tests/ptyshim/serial_ptyhost tests/ptyshim/ptyhold
               tests/ptyshim/libstylorix_ptyshim.so)
list(TRANSFORM host_files PREPEND ${host_dir}/ OUTPUT_VARIABLE byproducts)

ExternalProject_Add(stylorix_host
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake/host
  BINARY_DIR ${host_dir}
  PREFIX ${host_dir}-prefix
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DCMAKE_C_COMPILER=${STYLORIX_HOST_CC}
             -DCMAKE_CXX_COMPILER=${STYLORIX_HOST_CXX}
             -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
             -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  BUILD_ALWAYS ON  # the sub-build's own dependency check decides what to rebuild
  BUILD_BYPRODUCTS ${byproducts}
  INSTALL_COMMAND ""
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

foreach(name IN ITEMS pensim serial_ptyhost ptyhold)
  add_executable(${name} IMPORTED GLOBAL)
endforeach()
add_library(stylorix_ptyshim SHARED IMPORTED GLOBAL)
foreach(name file IN ZIP_LISTS host_targets byproducts)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${file})
  add_dependencies(${name} stylorix_host)
endforeach()
