# The command's suite runs the built orin-measure (through the i386 emulator
# when the build needs one).
if(TARGET orin-measure)
  add_dependencies(${target} orin-measure)
  target_compile_definitions(${target} PRIVATE ORIN_MEASURE_PATH="$<TARGET_FILE:orin-measure>"
                             ORIN_MEASURE_EMULATOR="${CMAKE_CROSSCOMPILING_EMULATOR}")
else()
  target_compile_definitions(${target} PRIVATE ORIN_MEASURE_PATH="" ORIN_MEASURE_EMULATOR="")
endif()
