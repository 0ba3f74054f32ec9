# The command's suite (a Python script: no compiled sources) runs the built
# orin-measure, through the i386 emulator when the build needs one.
if(TARGET orin-measure)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME tools.MeasureCommand
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/tools/test_measure_command.py
            $<TARGET_FILE:orin-measure> ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(tools.MeasureCommand PROPERTIES LABELS tools)
endif()
