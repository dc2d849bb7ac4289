# The station program: the windows (station_ui) and the terminal front end
# over the engine.
file(GLOB HEADLESS_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/headless/*.cpp)
add_executable(Torvane ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp ${HEADLESS_SOURCES})
target_link_libraries(Torvane PRIVATE station_engine station_ui)
