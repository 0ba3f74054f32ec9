# The kit is internal to the library: its unit tests compile the kit sources
# in beside the suite.
target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/frame/hostarray.cpp ${PROJECT_SOURCE_DIR}/frame/scratch.cpp)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
# Loading and unloading are observed from a program that does not link the
# library, so that dlclose really unloads it (its source is a .cc file, which
# the suite glob of *.cpp leaves out).
add_executable(orin_test_lifecycle ${CMAKE_CURRENT_SOURCE_DIR}/frame/lifecycle/lifecycle_test.cc)
target_link_libraries(orin_test_lifecycle PRIVATE orinhost GTest::gtest_main Threads::Threads ${CMAKE_DL_LIBS})
target_include_directories(orin_test_lifecycle PRIVATE ${PROJECT_SOURCE_DIR}/host)
target_compile_definitions(orin_test_lifecycle PRIVATE ${ORIN_TEST_DEFINITIONS})
target_compile_options(orin_test_lifecycle PRIVATE ${ORIN_WARNINGS})
add_dependencies(orin_test_lifecycle orinanalysis)
gtest_discover_tests(orin_test_lifecycle DISCOVERY_TIMEOUT 60 PROPERTIES LABELS frame)
# No exception can leave the C boundary of the numerical subsystems.
add_test(NAME frame.NoThrowingConstructInNumericalCode
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/frame/no_exceptions.sh ${PROJECT_BINARY_DIR}/CMakeFiles/orinanalysis.dir)
set_tests_properties(frame.NoThrowingConstructInNumericalCode PROPERTIES LABELS frame)
# The headers against the export lists and the host's calling convention,
# read with the Python package's declaration reader.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME frame.HeadersMatchExportListsAndCallingConvention
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/frame/test_exports.py)
set_tests_properties(frame.HeadersMatchExportListsAndCallingConvention PROPERTIES LABELS frame)
