# The two kinds of source file.
#
# A file named *.win.cpp is Windows-side: it includes Win32 headers and is compiled with
# the flags wineg++ would pass. Every other file is plain Linux C++ (library side, or
# neutral). Programs and Winelib tests are linked by wineg++.

find_program(WINEGXX NAMES wineg++ wineg++-stable PATHS /usr/lib/wine REQUIRED)
find_program(WINE NAMES wine wine-stable REQUIRED)
find_program(WINESERVER NAMES wineserver wineserver-stable PATHS /usr/lib/wine REQUIRED)
find_path(WINE_WINDOWS_INCLUDE windows.h PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
          NO_DEFAULT_PATH REQUIRED)
get_filename_component(WINE_INCLUDE_ROOT "${WINE_WINDOWS_INCLUDE}/../.." ABSOLUTE)

# What `wineg++ -fno-short-wchar -v` passes to g++ on x86-64: WCHAR is char16_t and the
# Windows calling conventions become ms_abi. Tests sharing the Winelib build are not run
# under the sanitizers, whose runtime does not load into Wine.
set(TL_WINE_COMPILE_OPTIONS
    -D_REENTRANT -fPIC -DWIN64 -D_WIN64 -D__WIN64 -D__WIN64__ -DWIN32 -D_WIN32 -D__WIN32 -D__WIN32__
    -D__WINNT -D__WINNT__ "-D__stdcall=__attribute__((ms_abi))" -D__cdecl=__stdcall
    -D__fastcall=__stdcall -D_stdcall=__stdcall -D_cdecl=__cdecl -D_fastcall=__fastcall
    "-D__declspec(x)=__declspec_##x" "-D__declspec_align(x)=__attribute__((aligned(x)))"
    "-D__declspec_allocate(x)=__attribute__((section(x)))"
    "-D__declspec_deprecated=__attribute__((deprecated))"
    "-D__declspec_dllimport=__attribute__((dllimport))"
    "-D__declspec_dllexport=__attribute__((dllexport))"
    "-D__declspec_naked=__attribute__((naked))" "-D__declspec_noinline=__attribute__((noinline))"
    "-D__declspec_noreturn=__attribute__((noreturn))"
    "-D__declspec_nothrow=__attribute__((nothrow))" "-D__declspec_novtable=__attribute__(())"
    "-D__declspec_selectany=__attribute__((weak))" -D__declspec_thread=__thread -D__int8=char
    -D__int16=short -D__int32=int -D__int64=long -D__WINE__ -fno-short-wchar
    -isystem "${WINE_WINDOWS_INCLUDE}" -idirafter "${WINE_INCLUDE_ROOT}"
    # windows.h's min and max macros would break the C++ library's headers.
    -DNOMINMAX)

set(TL_WINELIB ON)
if(TL_SANITIZE OR TL_SANITIZE_THREAD)
  set(TL_WINELIB OFF)
endif()

set(TL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(TL_WINE_ENV "WINEPREFIX=${TL_WINEPREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
# The prefix of the tests that run on an X display: Wine's own display driver.
set(TL_DESKTOP_PREFIX "${CMAKE_BINARY_DIR}/wineprefix-x11")

function(_tl_mark_windows_files)
  foreach(source IN LISTS ARGN)
    if(source MATCHES "\\.win\\.cpp$")
      set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS ${TL_WINE_COMPILE_OPTIONS})
    endif()
  endforeach()
endfunction()

function(_tl_mark_windows_sources target)
  get_target_property(sources ${target} SOURCES)
  _tl_mark_windows_files(${sources})
endfunction()

# tl_add_library(name sources...): one static library per subsystem folder.
function(tl_add_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  _tl_mark_windows_sources(${name})
endfunction()

# tl_add_sources(target sources...): more sources for a library, each compiled by its kind.
function(tl_add_sources target)
  target_sources(${target} PRIVATE ${ARGN})
  _tl_mark_windows_files(${ARGN})
endfunction()

# Winsock's exports carry the C library's socket names, so a Winelib program that imports
# ws2_32 sends its own POSIX socket calls into Winsock with another calling convention.
# Winsock is loaded by name where it is needed.
function(_tl_refuse_winsock target)
  foreach(lib IN LISTS ARGN)
    if(lib MATCHES "^(ws2_32|wsock32)$")
      message(FATAL_ERROR "${target} links ${lib}: load Winsock by name instead")
    endif()
  endforeach()
endfunction()

function(_tl_winelib_link target mode)
  set_target_properties(${target} PROPERTIES SUFFIX ".exe"
    RULE_LAUNCH_LINK "${PROJECT_SOURCE_DIR}/cmake/wine-link.sh ${WINEGXX}")
  target_link_options(${target} PRIVATE ${mode})
endfunction()

# tl_add_program(name WINDOWS|CONSOLE SOURCES ... LIBS ...): a Winelib program, name.exe.so.
function(tl_add_program name mode)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  _tl_refuse_winsock(${name} ${P_LIBS})
  add_executable(${name} ${P_SOURCES})
  _tl_mark_windows_sources(${name})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  if(mode STREQUAL "WINDOWS")
    _tl_winelib_link(${name} -mwindows)
  else()
    _tl_winelib_link(${name} -mconsole)
  endif()
endfunction()

# tl_add_test(name LABEL subsystem [WINE] [SERIAL] [DESKTOP] SOURCES ... LIBS ...)
# Native tests are plain Linux programs; WINE tests are Winelib programs run by wine in the
# build's own headless prefix. SERIAL tests run alone: they share the prefix's one desktop
# for real input, focus and the foreground window. DESKTOP tests are WINE tests that run
# on a virtual X display with a window manager, in a prefix with Wine's display driver.
function(tl_add_test name)
  cmake_parse_arguments(T "WINE;SERIAL;DESKTOP" "LABEL" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(T_DESKTOP)
    set(T_WINE ON)
  endif()
  if(T_WINE AND NOT TL_WINELIB)
    return()
  endif()
  _tl_refuse_winsock(${name} ${T_LIBS})
  add_executable(${name} ${T_SOURCES})
  _tl_mark_windows_sources(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
  if(T_DESKTOP)
    _tl_winelib_link(${name} -mconsole)
    add_test(NAME ${T_LABEL}.${name}
      COMMAND "${PROJECT_SOURCE_DIR}/tests/support/on-desktop.sh" "${WINE}" "$<TARGET_FILE:${name}>.so")
    string(REPLACE "${TL_WINEPREFIX}" "${TL_DESKTOP_PREFIX}" desktop_env "${TL_WINE_ENV}")
    set_tests_properties(${T_LABEL}.${name} PROPERTIES FIXTURES_REQUIRED wineprefix_desktop
      RESOURCE_LOCK desktop_prefix
      ENVIRONMENT "${desktop_env};WINESERVER=${WINESERVER};${T_ENVIRONMENT}")
  elseif(T_WINE)
    _tl_winelib_link(${name} -mconsole)
    add_test(NAME ${T_LABEL}.${name} COMMAND "${WINE}" "$<TARGET_FILE:${name}>.so")
    set_tests_properties(${T_LABEL}.${name} PROPERTIES FIXTURES_REQUIRED wineprefix
      ENVIRONMENT "${TL_WINE_ENV};${T_ENVIRONMENT}")
  else()
    add_test(NAME ${T_LABEL}.${name} COMMAND ${name})
    if(T_ENVIRONMENT)
      set_tests_properties(${T_LABEL}.${name} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
  endif()
  set_tests_properties(${T_LABEL}.${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT 300)
  if(T_SERIAL)
    set_tests_properties(${T_LABEL}.${name} PROPERTIES RUN_SERIAL ON)
  endif()
endfunction()

find_program(WRC NAMES wrc wrc-stable PATHS /usr/lib/wine REQUIRED)

# tl_add_resources(target file.rc [DEPENDS files...]): compiles the resource script with wrc
# and links the .res into the Winelib program or test `target`.
function(tl_add_resources target rc)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  if(NOT TL_WINELIB)
    return()
  endif()
  get_filename_component(rc_path "${rc}" ABSOLUTE)
  get_filename_component(rc_dir "${rc_path}" DIRECTORY)
  get_filename_component(rc_name "${rc_path}" NAME_WE)
  set(res "${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}.res")
  add_custom_command(OUTPUT "${res}"
    COMMAND "${WRC}" --nostdinc -I "${rc_dir}" -I "${WINE_WINDOWS_INCLUDE}" -o "${res}" "${rc_path}"
    WORKING_DIRECTORY "${rc_dir}"
    DEPENDS "${rc_path}" ${R_DEPENDS}
    VERBATIM)
  add_custom_target(${target}_${rc_name}_res DEPENDS "${res}")
  add_dependencies(${target} ${target}_${rc_name}_res)
  target_link_options(${target} PRIVATE "${res}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${res}")
endfunction()

# tl_add_exports(target file.spec): the program's exports, described by a Winelib .spec file.
function(tl_add_exports target spec)
  get_filename_component(spec_path "${spec}" ABSOLUTE)
  target_link_options(${target} PRIVATE "${spec_path}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${spec_path}")
endfunction()
