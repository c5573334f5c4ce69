include(CMakePackageConfigHelpers)

install(TARGETS tarnwick EXPORT TarnwickTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tarnwick DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(TARNWICK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnwick)
install(EXPORT TarnwickTargets NAMESPACE Tarnwick:: DESTINATION ${TARNWICK_CMAKE_DIR})
# The package's configuration looks for pugixml only where a consumer needs it.
get_target_property(TARNWICK_LIBRARY_TYPE tarnwick TYPE)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TarnwickConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnwickConfig.cmake INSTALL_DESTINATION ${TARNWICK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnwickConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnwickConfig.cmake ${PROJECT_BINARY_DIR}/TarnwickConfigVersion.cmake
  DESTINATION ${TARNWICK_CMAKE_DIR})

# The prefix is found relative to the .pc file, so that `cmake --install --prefix` anywhere works.
file(RELATIVE_PATH TARNWICK_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarnwick.pc.in ${PROJECT_BINARY_DIR}/tarnwick.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
