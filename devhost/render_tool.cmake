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
    target_link_libraries(tessgrain-render PRIVATE devhost tessgrain_core PkgConfig::OpenImageIO)
    target_compile_definitions(tessgrain-render PRIVATE
      TESSGRAIN_SAMPLE="${CMAKE_SOURCE_DIR}/devhost/sample/sprite.png")
    # --dialog: the effect looks for the companion beside its own module, which is this program
    # while the effect is linked in.
    add_dependencies(tessgrain-render orbisk_companion)
    add_custom_command(TARGET tessgrain-render POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:orbisk_companion> $<TARGET_FILE_DIR:tessgrain-render>/Orbisk.exe)
  else()
    message(STATUS "OpenImageIO not found (scripts/setup installs it): tessgrain-render is not built")
  endif()
endif()
