# Test builds of the engine: its sources compiled once more with the probe
# hooks on (measurement/probe.h), linked into three small modules that the
# suite loads with dlopen. One counts what the engine computes, one has a
# registry whose construction throws, one registers an id twice. -Bsymbolic
# keeps each module's references to its own exported data (initStatus,
# library) inside the module, although the suite also links the library.
file(GLOB engine_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/measurement/*.cpp)
add_library(orin_engine_probe_objects OBJECT ${engine_sources} ${PROJECT_SOURCE_DIR}/frame/scratch.cpp)
target_compile_definitions(orin_engine_probe_objects PRIVATE ORIN_MEASUREMENT_PROBE=1)
target_include_directories(orin_engine_probe_objects PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
target_compile_options(orin_engine_probe_objects PRIVATE ${ORIN_WARNINGS})
set_target_properties(orin_engine_probe_objects PROPERTIES
  POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

foreach(variant counting failed_registry duplicate)
  set(module orin_engine_probe_${variant})
  add_library(${module} MODULE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/probe/${variant}.cc
              $<TARGET_OBJECTS:orin_engine_probe_objects>)
  target_compile_definitions(${module} PRIVATE ORIN_MEASUREMENT_PROBE=1)
  target_include_directories(${module} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  target_compile_options(${module} PRIVATE ${ORIN_WARNINGS})
  target_link_libraries(${module} PRIVATE orinhost Threads::Threads)
  target_link_options(${module} PRIVATE -Wl,-Bsymbolic)
  set_target_properties(${module} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  string(TOUPPER ${variant} upper)
  target_compile_definitions(${target} PRIVATE ORIN_ENGINE_PROBE_${upper}="$<TARGET_FILE:${module}>")
  add_dependencies(${target} ${module})
endforeach()
