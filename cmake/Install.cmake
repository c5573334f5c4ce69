include(CMakePackageConfigHelpers)

# Two components, one per Debian package (cmake/Packaging.cmake): runtime holds
# the versioned library, development everything a program is built with.
install(TARGETS tarnwick EXPORT TarnwickTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tarnwick DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/include/tarnwick/Version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarnwick
  COMPONENT development)

set(TARNWICK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnwick)
install(EXPORT TarnwickTargets NAMESPACE Tarnwick:: DESTINATION ${TARNWICK_CMAKE_DIR} COMPONENT development)
# The package's configuration looks for pugixml only where a consumer needs it.
get_target_property(TARNWICK_LIBRARY_TYPE tarnwick TYPE)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TarnwickConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnwickConfig.cmake INSTALL_DESTINATION ${TARNWICK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnwickConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnwickConfig.cmake ${PROJECT_BINARY_DIR}/TarnwickConfigVersion.cmake
  DESTINATION ${TARNWICK_CMAKE_DIR} COMPONENT development)

# The prefix is found relative to the .pc file, so that `cmake --install --prefix` anywhere works;
# for the system prefix of the Debian packages it is written as it is, so that pkg-config
# recognises the system directories and leaves them out of the flags.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(TARNWICK_PC_PREFIX /usr)
else()
  file(RELATIVE_PATH TARNWICK_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
  set(TARNWICK_PC_PREFIX "\${pcfiledir}/${TARNWICK_PC_PREFIX}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarnwick.pc.in ${PROJECT_BINARY_DIR}/tarnwick.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnwick.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
