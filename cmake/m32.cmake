# Toolchain for the 32-bit library the host itself loads: i386 code with SSE2
# doing the double arithmetic, so double results round as in the 64-bit build.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")

# Kernels built without 32-bit support cannot run i386 programs; the tests
# then run under user-mode emulation (Debian's qemu-user), which carries out
# the x87 extended format and SSE2 arithmetic exactly.
if(NOT DEFINED ORIN_I386_RUNS_NATIVELY)
  set(probe ${CMAKE_BINARY_DIR}/orin-i386-probe)
  execute_process(
    COMMAND sh -c "printf 'int main(void){return 0;}' | cc -m32 -x c - -o '${probe}' && '${probe}'"
    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(probe_result EQUAL 0)
    set(ORIN_I386_RUNS_NATIVELY ON CACHE BOOL "i386 programs run without emulation")
  else()
    set(ORIN_I386_RUNS_NATIVELY OFF CACHE BOOL "i386 programs run without emulation")
  endif()
endif()
if(NOT ORIN_I386_RUNS_NATIVELY)
  find_program(ORIN_I386_EMULATOR qemu-i386 REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORIN_I386_EMULATOR})
endif()
