# What `cmake --install` and `cpack -G DEB` put in a prefix: the library (shared unless
# LORVANE_SHARED is off), the public headers in include/Lorvane, a relocatable CMake package
# (find_package(Lorvane) gives Lorvane::lorvane), a pkg-config file, the Designer plugin and the
# lorvane tool. Nothing installed names a path of the machine that built it.
include(CMakePackageConfigHelpers)
set(LORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvane)
install(EXPORT LorvaneTargets NAMESPACE Lorvane:: DESTINATION ${LORVANE_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/LorvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfig.cmake
  INSTALL_DESTINATION ${LORVANE_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfigVersion.cmake
  DESTINATION ${LORVANE_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the file's own place, so the tree can move.
file(RELATIVE_PATH LORVANE_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" LORVANE_PC_TO_PREFIX "${LORVANE_PC_TO_PREFIX}")
if(LORVANE_SHARED)
  set(LORVANE_PC_LIBS "-llorvane")
  set(LORVANE_PC_PRIVATE "")
else()
  set(LORVANE_PC_LIBS "-llorvane -llorvane_core")
  set(LORVANE_PC_PRIVATE "Requires.private: sqlite3 libpq odbc xlsxwriter libzip libmariadb")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/lorvane.pc.in ${CMAKE_CURRENT_BINARY_DIR}/lorvane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lorvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# Installing and packaging take what is built (build first): they do not build every test and
# benchmark on the way, which the package does not contain.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# One Debian package with everything: `cpack -G DEB` in the build folder. The run-time
# dependencies come from dpkg-shlibdeps; building against it needs Qt's development files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lorvane)
set(CPACK_PACKAGE_VENDOR "Lorvane")
set(CPACK_PACKAGE_CONTACT "Lorvane developers <dev@lorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Embeddable visual SQL query builder for Qt 6 applications")
set(CPACK_PACKAGE_DESCRIPTION "The Lorvanev2 component: a visual SQL query builder a Qt 6 desktop application
embeds. Includes the shared library, its headers, CMake and pkg-config files, the Qt Designer
plugin and the lorvane command-line tool.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debug information stays in the build; the package carries stripped binaries.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-base-dev")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-tools-dev-tools")
include(CPack)
