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

# tg_add_test(name sources...): one GoogleTest binary, registered with ctest (under Wine when
# cross-built, through CMAKE_CROSSCOMPILING_EMULATOR).
# The three builds run under one ctest, so each names its tests apart.
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
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tessgrain_core GTest::gtest_main)
  add_test(NAME ${name}${TG_TEST_SUFFIX} COMMAND ${name})
endfunction()
