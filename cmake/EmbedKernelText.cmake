# Script mode: writes the kernels' two embedded forms as NUL-terminated character arrays of one
# C++ file: the kernel source preprocessed as OpenCL C, so the OpenCL text is always the file the
# other forms are made from, and the checked-in PTX text as it is.
#   cmake -DCC=<compiler> -DSOURCE=<kernel> -DPTX=<ptx> -DINCLUDE=<dir> -DOUTPUT=<cpp>
#         -P EmbedKernelText.cmake
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

# The bytes of a file as "0x..," lines, and their count.
function(c_bytes file out_bytes out_length)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR length "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n" bytes "${bytes}")
  set(${out_bytes} "${bytes}" PARENT_SCOPE)
  set(${out_length} ${length} PARENT_SCOPE)
endfunction()

c_bytes(${OUTPUT}.txt opencl_bytes opencl_length)
c_bytes(${PTX} ptx_bytes ptx_length)
file(WRITE ${OUTPUT}
"// Generated from ${SOURCE} and ${PTX} at build time; do not edit.
#include \"gpu/kernels/kernel_text.h\"

extern const char kOpenCLKernelText[] = {
${opencl_bytes}0x00};
extern const size_t kOpenCLKernelTextLength = ${opencl_length};

extern const char kCudaKernelPtx[] = {
${ptx_bytes}0x00};
extern const size_t kCudaKernelPtxLength = ${ptx_length};
")
