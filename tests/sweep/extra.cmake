# The sweep's rows of self-describing entry points are generated from the
# public headers at build time, so a new export is picked up (or reported by
# the coverage test) without editing the table.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB sweep_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/orin/*.h)
file(GLOB sweep_export_lists CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/*/exports.txt)
set(sweep_generated ${CMAKE_CURRENT_BINARY_DIR}/sweep/sweep_generated.inc)
set(sweep_codes ${CMAKE_CURRENT_BINARY_DIR}/sweep/sweep_codes.inc)
set(sweep_exports ${CMAKE_CURRENT_BINARY_DIR}/sweep/sweep_exports.inc)
add_custom_command(
  OUTPUT ${sweep_generated} ${sweep_codes} ${sweep_exports}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/sweep
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/sweep/generate_table.py ${PROJECT_SOURCE_DIR} ${sweep_generated} ${sweep_codes} ${sweep_exports}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sweep/generate_table.py ${PROJECT_SOURCE_DIR}/python/orinanalysis/_cdecl.py
          ${sweep_headers} ${sweep_export_lists}
  COMMENT "Generating the sweep table from the public headers")
target_sources(${target} PRIVATE ${sweep_generated} ${sweep_codes} ${sweep_exports})
target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/sweep)

# The routine fuzz target (libFuzzer builds only): the gtest-free sources.
if(ORIN_FUZZ AND COMMAND orin_add_fuzzer)
  set(sweep_fuzz_sources
    ${CMAKE_CURRENT_SOURCE_DIR}/sweep/fuzz_routines.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sweep/table.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sweep/catalogue.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sweep/core_rows.cpp
    ${sweep_generated} ${sweep_codes})
  orin_add_fuzzer(routines ENTRY orinFuzzRoutines SOURCES ${sweep_fuzz_sources})
  if(TARGET orin_fuzz_routines)
    target_include_directories(orin_fuzz_routines PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/sweep ${PROJECT_SOURCE_DIR}/host)
  endif()
endif()

# The sweep also calls the hand rows with n = INT32_MIN: their buffer-size
# products of n then wrap (harmlessly: such a call's buffers are capped at a
# few elements) instead of being undefined in the test itself.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/sweep/core_rows.cpp PROPERTIES COMPILE_OPTIONS -fwrapv)

# Under user-mode emulation the stated maxima run their refusals only.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  target_compile_definitions(${target} PRIVATE ORIN_EMULATED=1)
endif()
