# tessgrain-render: renders image files through the effect with devhost. Native only, as
# OpenImageIO is not built for mingw.
if(NOT CMAKE_CROSSCOMPILING)
  # Through pkg-config: Debian's CMake package of OpenImageIO fails to load unless its command-line
  # tools are installed too.
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(OpenImageIO QUIET IMPORTED_TARGET GLOBAL OpenImageIO)
  endif()
  if(OpenImageIO_FOUND)
    add_executable(tessgrain-render render_main.cpp image_io.cpp)
    target_link_libraries(tessgrain-render PRIVATE devhost engine_core foundation PkgConfig::OpenImageIO)
    target_compile_definitions(tessgrain-render PRIVATE
      TESSGRAIN_SAMPLE="${CMAKE_SOURCE_DIR}/devhost/sample/sprite.png")
    # --dialog runs the test companion, which is built beside the module.
    add_dependencies(tessgrain-render orbisk_companion)
  else()
    message(STATUS "OpenImageIO not found (scripts/setup installs it): tessgrain-render is not built")
  endif()
endif()
