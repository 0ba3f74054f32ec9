# The engine's fuzz target: in every build its seed corpus is replayed by
# this suite (replay_test.cpp); in the libFuzzer build (ORIN_FUZZ) the same
# source also becomes fuzz/orin_fuzz_engine. A partial build without the
# engine leaves both out.
if(NOT "measurement" IN_LIST ORIN_SUBSYSTEMS)
  get_target_property(fuzz_sources ${target} SOURCES)
  list(FILTER fuzz_sources EXCLUDE REGEX "/fuzz/(engine_fuzz|replay_test)\\.cpp$")
  set_target_properties(${target} PROPERTIES SOURCES "${fuzz_sources}")
  return()
endif()
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/host)
if(ORIN_FUZZ AND COMMAND orin_add_fuzzer)
  orin_add_fuzzer(engine ENTRY orinFuzzEngine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/engine_fuzz.cpp)
endif()
