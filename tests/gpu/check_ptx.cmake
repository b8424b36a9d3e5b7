# Script mode: regenerates the kernels' PTX with scripts/ptx and compares it with the checked-in
# text. A text made by another toolkit release differs anyway and is not compared.
#   cmake -DNVCC=<nvcc> -DROOT=<source folder> -DOUTPUT=<ptx> -P check_ptx.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env NVCC=${NVCC} ${ROOT}/scripts/ptx ${OUTPUT}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "scripts/ptx failed:\n${errors}")
endif()
file(READ ${ROOT}/Source/gpu/kernels/gpu_kernel.ptx checked_in)
file(READ ${OUTPUT} fresh)
if(checked_in STREQUAL fresh)
  message(STATUS "the checked-in PTX is the kernel source's")
  return()
endif()
set(release "release [0-9.]+, V[0-9.]+")
string(REGEX MATCH "${release}" made_by "${checked_in}")
string(REGEX MATCH "${release}" here "${fresh}")
if(NOT made_by STREQUAL here)
  message(STATUS "the checked-in PTX comes from ${made_by}, nvcc here is ${here}: not compared")
  return()
endif()
message(FATAL_ERROR "Source/gpu/kernels/gpu_kernel.ptx is stale: run scripts/ptx")
