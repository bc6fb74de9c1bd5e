# The Debian package of the Linux tools (vistrel-cli, vistrel-camsim and their manual pages),
# made by CPack from the install rules: cpack --config build/native/CPackConfig.cmake.
if(VISTREL_WINDOWS)
  return()
endif()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/vistrel-tools RENAME copyright)
# cpack and cmake --install take what is built; scripts/package builds just the tools first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel-tools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vistrel developers")
set(CPACK_PACKAGE_CONTACT "The Vistrel developers <vistrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Command-line tool and simulator for serial digital still cameras")
set(CPACK_PACKAGE_DESCRIPTION
    "vistrel-cli lists, copies, sends and deletes the pictures of a serial-connected digital\nstill camera and converts pictures; vistrel-camsim simulates such a camera on a\npseudo-terminal for tests.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps finds libjpeg62-turbo and the C++ runtime
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
