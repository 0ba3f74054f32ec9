# The accuracy suites again with the 128-bit kernels forced, so that the
# baseline path is checked on processors where the 256-bit one is chosen.
add_test(NAME transforms.BaselineVectorWidth
         COMMAND ${target} --gtest_filter=FFTAccuracy.*:SplitRadix.*:FFTTables.*:Hartley.*)
set_tests_properties(transforms.BaselineVectorWidth PROPERTIES ENVIRONMENT ORIN_SIMD=sse2 LABELS ${dir})
# The kernels without their twiddle tables: a program that loads the library
# itself, so that each load can be made to lose its tables (a .cc source,
# which the suite glob of *.cpp leaves out).
add_executable(orin_test_tables_unavailable ${CMAKE_CURRENT_SOURCE_DIR}/transforms/tablesunavailable/tablesunavailable_test.cc)
target_link_libraries(orin_test_tables_unavailable PRIVATE orinhost GTest::gtest_main Threads::Threads ${CMAKE_DL_LIBS})
target_include_directories(orin_test_tables_unavailable PRIVATE ${PROJECT_SOURCE_DIR}/host ${PROJECT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(orin_test_tables_unavailable PRIVATE ${ORIN_TEST_DEFINITIONS})
target_compile_options(orin_test_tables_unavailable PRIVATE ${ORIN_WARNINGS})
add_dependencies(orin_test_tables_unavailable orinanalysis)
gtest_discover_tests(orin_test_tables_unavailable DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${dir})
