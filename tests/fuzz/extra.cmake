# The engine's fuzz target: in every build its seed corpus is replayed by
# this suite (replay_test.cpp); in the libFuzzer build (ORIN_FUZZ) the same
# source also becomes fuzz/orin_fuzz_engine.
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/host)
if(ORIN_FUZZ AND COMMAND orin_add_fuzzer)
  orin_add_fuzzer(engine ENTRY orinFuzzEngine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/engine_fuzz.cpp)
endif()
