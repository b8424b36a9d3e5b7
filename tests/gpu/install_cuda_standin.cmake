# Script mode: installs the stand-in CUDA driver in the system folder of the Wine prefix the tests
# run in (WINEPREFIX, else Wine's default ~/.wine), where LoadLibraryExW with
# LOAD_LIBRARY_SEARCH_SYSTEM32 finds nvcuda.dll, and lays out a copy of the test program beside a
# planted nvcuda.dll.
#   cmake -DDLL=<nvcuda.dll> -DTESTS=<gpu_tests.exe> -DPLANTED=<folder> -P install_cuda_standin.cmake
if(DEFINED ENV{WINEPREFIX})
  set(prefix $ENV{WINEPREFIX})
else()
  set(prefix $ENV{HOME}/.wine)
endif()
set(system ${prefix}/drive_c/windows/system32)
if(NOT IS_DIRECTORY ${system})
  message(FATAL_ERROR "no Wine prefix at ${prefix} (scripts/test makes one)")
endif()
file(COPY_FILE ${DLL} ${system}/nvcuda.dll)
file(MAKE_DIRECTORY ${PLANTED})
file(COPY_FILE ${TESTS} ${PLANTED}/gpu_tests.exe)
file(COPY_FILE ${DLL} ${PLANTED}/nvcuda.dll)
message(STATUS "stand-in CUDA driver: ${system}/nvcuda.dll")
