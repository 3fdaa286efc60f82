# Installation (headers, library, tool, man page, CMake package, pkg-config file) and the Debian
# package that CPack builds from it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(pelmora PROPERTIES VERSION ${PROJECT_VERSION}
                                         SOVERSION ${PROJECT_VERSION_MAJOR})
set_target_properties(pelmora_asio PROPERTIES EXPORT_NAME asio)

set(PELMORA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pelmora)

# The runtime component is what the tool needs; dev is what a program built against the library
# needs on top of it; python (cmake/PelmoraPython.cmake) the module.
install(TARGETS pelmora pelmora_asio EXPORT pelmoraTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# A shared libpelmora is found next to the installed tool and module, wherever the tree lies.
if(BUILD_SHARED_LIBS AND TARGET pelmora_cli)
  file(RELATIVE_PATH bin_to_lib /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(pelmora_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
endif()
if(BUILD_SHARED_LIBS AND TARGET pelmora_python)
  file(RELATIVE_PATH module_to_lib /prefix/${PELMORA_PYTHON_INSTALL_DIR}
       /prefix/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(pelmora_python PROPERTIES INSTALL_RPATH "$ORIGIN/${module_to_lib}")
endif()
if(TARGET pelmora_cli)
  install(TARGETS pelmora_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
  configure_file(${PROJECT_SOURCE_DIR}/man/pelmora.1.in ${PROJECT_BINARY_DIR}/pelmora.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pelmora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT runtime)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ ${PELMORA_GENERATED_INCLUDE_DIR}/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev FILES_MATCHING PATTERN "*.h")

install(EXPORT pelmoraTargets NAMESPACE pelmora:: DESTINATION ${PELMORA_CMAKE_DIR} COMPONENT dev)
# A static library carries its private dependencies to the program that links it.
if(BUILD_SHARED_LIBS)
  set(PELMORA_STATIC OFF)
  set(PELMORA_PC_REQUIRES "Requires.private: libtelnet, tomlplusplus")
  set(PELMORA_PC_LIBS "-L\${libdir} -lpelmora\nLibs.private: -pthread")
else()
  set(PELMORA_STATIC ON)
  set(PELMORA_PC_REQUIRES "Requires: libtelnet, tomlplusplus")
  set(PELMORA_PC_LIBS "-L\${libdir} -lpelmora -pthread")
endif()
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/pelmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake INSTALL_DESTINATION ${PELMORA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pelmoraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake
              ${PROJECT_BINARY_DIR}/pelmoraConfigVersion.cmake
        DESTINATION ${PELMORA_CMAKE_DIR} COMPONENT dev)

# The .pc file finds the prefix from its own place, so that it holds wherever the tree is
# installed or unpacked.
set(PELMORA_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH PELMORA_PC_TO_PREFIX /prefix/${PELMORA_PC_DIR} /prefix)
string(REGEX REPLACE "/$" "" PELMORA_PC_TO_PREFIX "${PELMORA_PC_TO_PREFIX}")
get_target_property(asio_definitions pelmora_asio INTERFACE_COMPILE_DEFINITIONS)
list(TRANSFORM asio_definitions PREPEND -D)
list(JOIN asio_definitions " " PELMORA_PC_DEFINITIONS)
configure_file(${CMAKE_CURRENT_LIST_DIR}/pelmora.pc.in ${PROJECT_BINARY_DIR}/pelmora.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelmora.pc DESTINATION ${PELMORA_PC_DIR} COMPONENT dev)

# One Debian package with the tool and the library for development. The Python module stays out:
# its directory depends on the interpreter the build was configured for.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configure wireless print servers through their configuration shell")
set(CPACK_PACKAGE_DESCRIPTION
    "The pelmora tool and library read and change the settings of wireless print servers over
telnet or a serial line, and serve a simulated print server for trying them out.")
set(CPACK_PACKAGE_CONTACT "kvnPelmoraT2 developers <pelmora@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The shared libraries the tool links (libtelnet, readline, the C++ runtime) come from
# dpkg-shlibdeps; the headers need asio, and the static library libtelnet and toml++ to link
# against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libasio-dev, libtelnet-dev, libtomlplusplus-dev, pkg-config")
include(CPack)
