# Each engine folder builds into one static library from the .cpp files it holds, so that
# adding a class means adding its two files and nothing else. Engine libraries never see Qt.
# Usage: tessaron_engine_library(name folder [libraries it links]...)
function(tessaron_engine_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)  # a folder that holds no class yet
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} ${scope} Threads::Threads ${ARGN})
endfunction()

# One GoogleTest executable per tests/<folder>, registered with ctest case by case.
function(tessaron_test_folder folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target tests_${folder})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARGN} test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE TESSARON_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                               TESSARON_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
