# tg_platform_suffix: "win32" on Windows, "posix" elsewhere. Platform variants of a unit sit beside
# its header as name_win32.cpp / name_posix.cpp; tg_platform_source(name) picks the right one.
if(WIN32)
  set(TG_PLATFORM win32)
else()
  set(TG_PLATFORM posix)
endif()

function(tg_platform_source target base)
  target_sources(${target} PRIVATE ${base}_${TG_PLATFORM}.cpp)
endfunction()

# tg_add_test(name sources... LINK libraries...): one GoogleTest binary linking the libraries it
# tests, registered with ctest (under Wine when cross-built, through CMAKE_CROSSCOMPILING_EMULATOR).
# The builds run under one ctest, so each names its tests apart.
if(WIN32)
  set(TG_TEST_SUFFIX ".win64")
elseif(TESSGRAIN_SANITIZE MATCHES "thread")
  set(TG_TEST_SUFFIX ".tsan")
elseif(TESSGRAIN_SANITIZE)
  set(TG_TEST_SUFFIX ".sanitize")
else()
  set(TG_TEST_SUFFIX "")
endif()

function(tg_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LINK")
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${arg_LINK} GTest::gtest_main)
  add_test(NAME ${name}${TG_TEST_SUFFIX} COMMAND ${name})
endfunction()

# tg_headers(target PUBLIC|PRIVATE headers...): the headers of a library, named from the folder
# under Source/ ("engine/core/geometry.h"). Every library has include folders of its own, holding
# links to its headers only, so a file can include only what its library links: an arrow missing
# from the target graph is a compile error, not a habit.
function(tg_headers target scope)
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR}/Source ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${TG_INCLUDE_ROOT}/${target})
  if(scope STREQUAL "PRIVATE")
    set(root ${root}-private)
  endif()
  foreach(header ${ARGN})
    get_filename_component(dir ${root}/${folder}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()
