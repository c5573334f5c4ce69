# Debian packages, built by CPack from the install rules of cmake/Install.cmake
# (`cmake --workflow --preset package`, which configures with the prefix /usr so
# that GNUInstallDirs picks the multiarch library directory):
#   libtarnwick0     the shared library with its SONAME (install component runtime);
#   libtarnwick-dev  headers, the unversioned .so link, the CMake package and
#                    tarnwick.pc (component development), depending on exactly
#                    the same version of libtarnwick0.
# The dependencies of libtarnwick0 are computed by dpkg-shlibdeps from what the
# library really links, never listed by hand.
#
# lintian (Debian 12) reports no error on either package (.ci/packages fails on
# one and prints the rest). Kept, and why:
# - W initial-upload-closes-no-bugs (both): the packages are not uploaded to
#   Debian, so there is no "intent to package" bug to close.
# - W maintscript-calls-ldconfig (libtarnwick0 postinst, postrm): CPack 3.25
#   always writes these calls for a library under /usr/lib and has no switch
#   for them; the package also activates libc's ldconfig trigger, as Debian
#   wants. Replacing the scripts by empty ones only trades this warning for
#   maintainer-script-empty.
# - I no-symbols-control-file: a symbols file would list every mangled C++
#   symbol per architecture; the shlibs file (strict "=" policy) instead pins
#   packages built against the library to this exact version, which suits a
#   library whose ABI is not declared stable yet.
# - I binary-has-unneeded-section .comment: the compiler's version note; CPack
#   strips debug information only.

set(TARNWICK_DEB_MAINTAINER "The Tarnwick developers <tarnwick@example.org>")
set(TARNWICK_DEB_VERSION ${PROJECT_VERSION}-1)
set(TARNWICK_DEB_DATE "Wed, 09 Dec 2026 12:00:00 +0000") # of the changelog entry, not of the build

# Debian's documentation files: the copyright in the machine-readable format
# (its license text taken from LICENSE) and the changelog, compressed. Only
# installed when the packages are made (or a component is asked for), not by a
# plain `cmake --install`.
set(deb_dir ${PROJECT_BINARY_DIR}/debian)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" license_body "${license_text}")
string(REGEX REPLACE "\n+$" "" license_body "${license_body}")
string(REPLACE "\n\n" "\n.\n" license_body "${license_body}")
string(REPLACE "\n" "\n " license_body " ${license_body}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${deb_dir}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${deb_dir}/changelog.Debian @ONLY)
find_program(TARNWICK_GZIP gzip)
if(TARNWICK_GZIP)
  # -n: no name or time stamp in the header, so that the package is reproducible.
  execute_process(COMMAND ${TARNWICK_GZIP} -9nf ${deb_dir}/changelog.Debian COMMAND_ERROR_IS_FATAL ANY)
  foreach(component_package IN ITEMS "runtime;libtarnwick0" "development;libtarnwick-dev")
    list(GET component_package 0 component)
    list(GET component_package 1 package)
    install(FILES ${deb_dir}/copyright ${deb_dir}/changelog.Debian.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT ${TARNWICK_DEB_MAINTAINER})
# Each package's description starts with its own synopsis line.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARNWICK_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE tarnwick)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# The extended descriptions: this paragraph, then what each package holds.
set(TARNWICK_DEB_ABOUT "Tarnwick is a C++20 library for the components of a service-oriented
application: trees of typed parameter nodes with deep copies, value objects
that store themselves into such trees, an XML encoder for messages, named
loggers, diagnostic counters and threading primitives.
.
")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtarnwick0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# A shlibs file pinning packages built against the library to this version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
# The loader's cache is refreshed by libc's ldconfig trigger, as Debian wants,
# rather than by ldconfig calls in maintainer scripts.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "C++ library for service components - shared library
${TARNWICK_DEB_ABOUT}This package contains the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtarnwick-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_ARCHITECTURE ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "C++ library for service components - development files
${TARNWICK_DEB_ABOUT}This package contains the headers, the CMake package (find_package(Tarnwick))
and the pkg-config file (tarnwick).")

include(CPack)
