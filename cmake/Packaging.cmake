# `cmake --install` puts the headers, the libraries and a CMake package in the prefix, so that
# a host project can `find_package(Lorvane)` and link Lorvane::lorvane.
include(CMakePackageConfigHelpers)
install(EXPORT LorvaneTargets NAMESPACE Lorvane:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvane)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/LorvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvane)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/LorvaneConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvane)
