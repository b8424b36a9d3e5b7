# Script mode: preprocesses the kernel source as OpenCL C and writes it as one NUL-terminated
# character array of a C++ file, so the OpenCL text is always the file the CUDA build compiles.
#   cmake -DCC=<compiler> -DSOURCE=<kernel> -DINCLUDE=<dir> -DOUTPUT=<cpp> -P EmbedKernelText.cmake
execute_process(
  COMMAND ${CC} -E -P -x c -nostdinc -DGF_DEVICE_TARGET_OPENCL=1 -I${INCLUDE} ${SOURCE}
  OUTPUT_VARIABLE text
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "preprocessing ${SOURCE} failed:\n${errors}")
endif()

# The half-storage branch is decided by the device's own build (GF_OPENCL_SUPPORTS_16F comes with
# the prefix at run time): the macro layer left pragmas where that condition belongs.
string(REGEX REPLACE "#pragma gf_if_opencl_16f" "#if GF_OPENCL_SUPPORTS_16F" text "${text}")
string(REGEX REPLACE "#pragma gf_endif_opencl_16f" "#endif" text "${text}")
# Lines left blank by the preprocessor carry nothing for the device compiler.
string(REGEX REPLACE "\n[ \t]*\n([ \t]*\n)*" "\n" text "${text}")
string(REGEX REPLACE "^[ \t\n]+" "" text "${text}")

file(WRITE ${OUTPUT}.txt "${text}")
file(READ ${OUTPUT}.txt hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR length "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
       "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from ${SOURCE} at build time; do not edit.
#include \"gpu/kernel_text.h\"

extern const char kOpenCLKernelText[] = {
${bytes}0x00};
extern const size_t kOpenCLKernelTextLength = ${length};
")
