# What scripts/package installs into its staging folders, by component:
#   render  (Linux) tessgrain-render in bin/, the module it loads and its sample beside bin/
#   plugin  (Windows) the module and the companion, side by side as the hosts' folder holds them
#   frei0r  the frei0r filter and the editors' panels (frei0r/CMakeLists.txt)
if(WIN32)
  install(TARGETS tessgrain_module orbisk_companion RUNTIME DESTINATION . COMPONENT plugin
          ARCHIVE DESTINATION lib COMPONENT development)
elseif(TARGET tessgrain-render)
  install(TARGETS tessgrain-render RUNTIME DESTINATION bin COMPONENT render)
  install(TARGETS tessgrain_module LIBRARY DESTINATION ${TESSGRAIN_MODULE_INSTALL_DIR}
          COMPONENT render)
  install(FILES devhost/sample/sprite.png DESTINATION ${TESSGRAIN_DATA_INSTALL_DIR}
          COMPONENT render)
endif()
