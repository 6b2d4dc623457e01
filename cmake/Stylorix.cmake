# Shared build settings and helpers for every subsystem.

if(MSVC)
  message(FATAL_ERROR "Build with g++ or clang (natively) or mingw-w64 (Windows)")
endif()

add_compile_options(-Wall -Wextra -Wpedantic -Werror)
if(WIN32)
  # One self-contained executable: no mingw runtime DLLs next to it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# Platform seams: FooWin32.cpp on Windows, FooPosix.cpp elsewhere.
function(stylorix_platform_sources out)
  set(result)
  foreach(base IN LISTS ARGN)
    if(WIN32)
      list(APPEND result ${base}Win32.cpp)
    else()
      list(APPEND result ${base}Posix.cpp)
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

include(GoogleTest)

# A GoogleTest executable registered with CTest; PROPERTIES go to every test
# case (e.g. RESOURCE_LOCK wine-registry for tests that touch the Wine registry). Under the Windows preset the
# tests are listed when CTest runs (through Wine), so building needs no Wine.
function(stylorix_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30
                         PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
  endif()
endfunction()
