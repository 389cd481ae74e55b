# The generator library, defined once by whichever part of the build needs
# it first: the scan tests use it even in builds without the tools.
if(NOT TARGET vy_loggen)
  file(GLOB vy_loggen_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  list(REMOVE_ITEM vy_loggen_sources ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  add_library(vy_loggen STATIC ${vy_loggen_sources})
  target_include_directories(vy_loggen PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(vy_loggen PUBLIC vy_store)
endif()
