# Shared build settings and helpers for every subsystem (also for the host
# sub-build of the native helpers, cmake/host).

if(MSVC)
  message(FATAL_ERROR "Build with g++ or clang (natively) or mingw-w64 (Windows)")
endif()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH STYLORIX_ROOT)

# Our warnings, linked by every target of ours (not by GoogleTest);
# stylorix_check_warnings() finds a target that forgets it. The resource
# compiler takes none of them.
add_library(stylorix_warnings INTERFACE)
target_compile_options(stylorix_warnings INTERFACE
                       $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Werror>)

if(WIN32)
  # One self-contained executable: no mingw runtime DLLs next to it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # UNICODE: a Win32 text call without its A or W suffix is the W function, so
  # handing it a narrow string does not compile.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 UNICODE _UNICODE)
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

# Fails the configuration when a target defined in a folder of ours (dir and
# its subfolders inside the repository) does not link stylorix_warnings.
function(stylorix_check_warnings dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      get_target_property(libs ${t} LINK_LIBRARIES)
      if(NOT "stylorix_warnings" IN_LIST libs)
        message(FATAL_ERROR "${t} (${dir}) does not link stylorix_warnings")
      endif()
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    cmake_path(IS_PREFIX STYLORIX_ROOT ${sub} NORMALIZE ours)
    if(ours)
      stylorix_check_warnings(${sub})
    endif()
  endforeach()
endfunction()

include(GoogleTest)

# Properties of every test that runs programs in the shared Wine prefix: the
# prefix's session is up before it starts (tests/wine, scripts/wine-session).
if(CMAKE_CROSSCOMPILING)
  set(STYLORIX_WINE_SESSION FIXTURES_REQUIRED wine-session)
else()
  set(STYLORIX_WINE_SESSION)
endif()

# A GoogleTest executable registered with CTest; PROPERTIES go to every test
# case (e.g. RESOURCE_LOCK wine-registry for tests that touch the Wine registry). Under the Windows preset the
# tests are listed when CTest runs (through Wine), so building needs no Wine.
function(stylorix_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main stylorix_warnings)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT ${T_TIMEOUT} ${STYLORIX_WINE_SESSION} ${T_PROPERTIES})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30
                         PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
  endif()
endfunction()
