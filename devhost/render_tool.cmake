# tessgrain-render: renders image files through the effect with devhost. Native only, as
# OpenImageIO is not built for mingw.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(OpenImageIO CONFIG QUIET)
  if(OpenImageIO_FOUND)
    add_executable(tessgrain-render render_main.cpp image_io.cpp)
    target_include_directories(tessgrain-render PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(tessgrain-render PRIVATE devhost tessgrain_core OpenImageIO::OpenImageIO)
    target_compile_definitions(tessgrain-render PRIVATE
      TESSGRAIN_SAMPLE="${CMAKE_SOURCE_DIR}/devhost/sample/sprite.png")
  else()
    message(STATUS "OpenImageIO not found (scripts/setup installs it): tessgrain-render is not built")
  endif()
endif()
