# The generator library, defined once by whichever part of the build needs
# it first: the scan tests use it even in builds without the tools.
if(NOT TARGET vy_loggen)
  add_library(vy_loggen STATIC ${CMAKE_CURRENT_LIST_DIR}/log_generator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/evtx_writer.cpp ${CMAKE_CURRENT_LIST_DIR}/evtx_folder_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/nps_log_writer.cpp)
  target_include_directories(vy_loggen PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(vy_loggen PUBLIC vy_store)
endif()
