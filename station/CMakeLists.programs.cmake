# The station program: the terminal front end over the engine (the windowed
# front end joins here when it is built).
file(GLOB HEADLESS_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/headless/*.cpp)
add_executable(Torvane ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp ${HEADLESS_SOURCES})
target_link_libraries(Torvane PRIVATE station_engine)
