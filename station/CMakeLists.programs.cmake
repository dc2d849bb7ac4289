# The station program: the windows (station_ui) and the terminal front end
# over the engine. The terminal front end is a library so its tests link it.
# The network front end (HTTP, event stream, status page, record push).
file(GLOB REMOTE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/remote/*.cpp)
add_library(station_remote STATIC ${REMOTE_SOURCES})
target_link_libraries(station_remote PUBLIC station_engine PkgConfig::HTTPLIB)
# The windows run the network front end beside them.
target_link_libraries(station_ui PUBLIC station_remote)
file(GLOB HEADLESS_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/headless/*.cpp)
add_library(station_headless STATIC ${HEADLESS_SOURCES})
target_link_libraries(station_headless PUBLIC station_engine station_remote)
add_executable(Torvane ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(Torvane PRIVATE station_headless station_ui)
