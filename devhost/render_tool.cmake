# tessgrain-render: renders image files, sequences and raw frames through the effect with devhost.
# Image files come through OpenImageIO, which is not built for mingw: the Windows build reads and
# writes raw frames only, which is what its tests run.
set(tg_render_sources render_main.cpp render_options.cpp render_pipeline.cpp render_console.cpp
                      frame_list.cpp raw_frames.cpp compare_sheet.cpp)
if(CMAKE_CROSSCOMPILING)
  add_executable(tessgrain-render ${tg_render_sources} image_io_none.cpp)
  target_link_libraries(tessgrain-render PRIVATE devhost engine_core foundation)
else()
  # Through pkg-config: Debian's CMake package of OpenImageIO fails to load unless its command-line
  # tools are installed too.
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(OpenImageIO QUIET IMPORTED_TARGET GLOBAL OpenImageIO)
  endif()
  if(OpenImageIO_FOUND)
    add_executable(tessgrain-render ${tg_render_sources} image_io.cpp)
    target_link_libraries(tessgrain-render PRIVATE devhost engine_core foundation PkgConfig::OpenImageIO)
  else()
    message(STATUS "OpenImageIO not found (scripts/setup installs it): tessgrain-render is not built")
  endif()
endif()
if(TARGET tessgrain-render)
  tg_platform_source(tessgrain-render render_platform)
  # The module and the sample are looked for from the tool's own folder: where an install puts
  # them (bin/ beside lib/ and share/), then where the build does.
  file(RELATIVE_PATH tg_module_built ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_BINARY_DIR})
  string(REGEX REPLACE "/$" "" tg_module_built "${tg_module_built}")
  target_compile_definitions(tessgrain-render PRIVATE
    TESSGRAIN_SAMPLE="${CMAKE_SOURCE_DIR}/devhost/sample/sprite.png"
    TESSGRAIN_SAMPLE_INSTALLED="../${TESSGRAIN_DATA_INSTALL_DIR}/sprite.png"
    TESSGRAIN_MODULE_FILE="$<TARGET_FILE_NAME:tessgrain_module>"
    TESSGRAIN_MODULE_INSTALLED="../${TESSGRAIN_MODULE_INSTALL_DIR}"
    TESSGRAIN_MODULE_BUILT="${tg_module_built}")
  # --dialog runs the test companion, which is built beside the module.
  add_dependencies(tessgrain-render orbisk_companion)
endif()
