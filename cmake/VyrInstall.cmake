# Installation: libraries, headers, the package, the tools, the CMake package (with components),
# pkg-config files, the man page, and the Debian package made by CPack.
#
# Layout under the prefix (GNUInstallDirs; on Debian with prefix /usr, LIBDIR is
# lib/<multiarch>):
#   include/vyr/...                          public headers
#   LIBDIR/libvyrhost.so.1                   the host library (SOVERSION 1)
#   LIBDIR/libvyr_*.a                        component, charset, registration, backends
#   LIBDIR/vyrcomponents/VyrComponents.bpl   the package and its resource module
#   LIBDIR/cmake/VyrComponents/              VyrComponentsConfig.cmake and friends
#   LIBDIR/pkgconfig/vyrcomponents-*.pc
#   BINDIR/vyrmatrix, BINDIR/vyrmatrix-qt
#   <Qt's plugin folder>/designer/           the Qt Designer plugin
#   MANDIR/man1/vyrmatrix.1.gz
# Everything finds its neighbours relative to its own location (RPATH $ORIGIN, the package
# folder relative to the tool), so an installed tree can be moved or unpacked anywhere.
# Included only with VYR_INSTALL (on by default for the top-level project); the Designer plugin's
# rule is in its own folder. GNUInstallDirs comes from VyrHelpers.cmake.
include(CMakePackageConfigHelpers)

set(VYR_PACKAGE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/vyrcomponents)
set(VYR_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VyrComponents)


set_target_properties(vyr_host PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} EXPORT_NAME host)
set_target_properties(vyr_charset PROPERTIES EXPORT_NAME charset)
set_target_properties(vyr_editmatrix PROPERTIES EXPORT_NAME editmatrix)
set_target_properties(vyr_headless PROPERTIES EXPORT_NAME headless)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vyr DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT Development
  PATTERN "qt" EXCLUDE)

install(TARGETS vyr_host EXPORT VyrComponentsTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development)
install(TARGETS vyr_charset vyr_editmatrix EXPORT VyrComponentsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(TARGETS vyr_headless EXPORT VyrComponentsHeadlessTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)

install(EXPORT VyrComponentsTargets NAMESPACE vyr:: DESTINATION ${VYR_CMAKE_INSTALL_DIR}
  COMPONENT Development)
install(EXPORT VyrComponentsHeadlessTargets NAMESPACE vyr:: DESTINATION ${VYR_CMAKE_INSTALL_DIR}
  COMPONENT Development)

if(VYR_BUILD_QT)
  # The Qt backend (vyr::qtbackend) and the widgets above it (vyr::qt, with vyr::QEditMatrix):
  # component Qt of the CMake package, found with Qt's own package (Qt6 Widgets) by the config.
  set_target_properties(vyr_qtbackend PROPERTIES EXPORT_NAME qtbackend)
  set_target_properties(vyr_qt PROPERTIES EXPORT_NAME qt)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vyr/qt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vyr
    COMPONENT Development)
  install(TARGETS vyr_qtbackend vyr_qt EXPORT VyrComponentsQtTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
  install(EXPORT VyrComponentsQtTargets NAMESPACE vyr:: DESTINATION ${VYR_CMAKE_INSTALL_DIR}
    COMPONENT Development)
  set(VYR_CONFIG_QT_COMPONENT Qt)
  set(VYR_QT_MIN_VERSION 6.4)
endif()

if(VYR_BUILD_PACKAGE)
  set_target_properties(vyr_register PROPERTIES EXPORT_NAME register)
  install(TARGETS vyr_register EXPORT VyrComponentsTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
  install(TARGETS VyrComponents VyrComponentsDAN
    LIBRARY DESTINATION ${VYR_PACKAGE_INSTALL_DIR} COMPONENT Runtime)
  vyr_install_rpath(VyrComponents ${VYR_PACKAGE_INSTALL_DIR})
endif()

if(VYR_BUILD_TOOLS)
  install(TARGETS vyrmatrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
  vyr_install_rpath(vyrmatrix ${CMAKE_INSTALL_BINDIR})
  # The man page, made from the tool's own help and compressed as Debian installs man pages
  # (gzip -9n: no name or time stamp, so the file is the same on every build). help2man is
  # needed only for the page: without it the rest builds and installs (the Debian package check
  # then misses the page).
  find_program(VYR_HELP2MAN help2man)
  find_program(VYR_GZIP gzip)
  if(VYR_HELP2MAN AND VYR_GZIP)
    set(_man ${PROJECT_BINARY_DIR}/man/vyrmatrix.1.gz)
    add_custom_command(OUTPUT ${_man}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${VYR_HELP2MAN} --no-info --no-discard-stderr
              --name "the TEditMatrix LED display control on the command line"
              --output ${PROJECT_BINARY_DIR}/man/vyrmatrix.1 $<TARGET_FILE:vyrmatrix>
      COMMAND ${VYR_GZIP} -9nf ${PROJECT_BINARY_DIR}/man/vyrmatrix.1
      DEPENDS vyrmatrix
      COMMENT "Writing the vyrmatrix man page"
      VERBATIM)
    add_custom_target(vyrmatrix_man ALL DEPENDS ${_man})
    install(FILES ${_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
  else()
    message(STATUS "help2man or gzip not found: no vyrmatrix man page")
  endif()
endif()

if(VYR_BUILD_TOOLS AND VYR_BUILD_QT)
  install(TARGETS vyrmatrix-qt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
  vyr_install_rpath(vyrmatrix-qt ${CMAKE_INSTALL_BINDIR})
endif()

# The CMake package.
if(NOT DEFINED VYR_CONFIG_QT_COMPONENT)
  set(VYR_CONFIG_QT_COMPONENT "")
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VyrComponentsConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VyrComponentsConfig.cmake
  INSTALL_DESTINATION ${VYR_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VyrComponentsConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VyrComponentsConfig.cmake ${PROJECT_BINARY_DIR}/VyrComponentsConfigVersion.cmake
  DESTINATION ${VYR_CMAKE_INSTALL_DIR} COMPONENT Development)

# pkg-config: the headless flavour (and the Qt flavour, with the Qt backend). The prefix is the
# one installed into, written when installing (cmake --install --prefix, CPack's /usr), so the
# files give plain paths (-I/usr/include, which pkg-config then leaves out as a system folder)
# and no compiler flags beyond the include path: the C++ standard is the program's choice.
set(VYR_PC_PREFIX "@VYR_PC_PREFIX@")
function(vyr_pkg_config NAME)
  set(_template ${PROJECT_BINARY_DIR}/pkgconfig/${NAME}.pc.in)
  set(_file ${PROJECT_BINARY_DIR}/pkgconfig/install/${NAME}.pc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${NAME}.pc.in ${_template} @ONLY)
  install(CODE "set(VYR_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${_template}\" \"${_file}\" @ONLY)" COMPONENT Development)
  install(FILES ${_file} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
endfunction()
vyr_pkg_config(vyrcomponents-headless)
if(VYR_BUILD_QT)
  vyr_pkg_config(vyrcomponents-qt)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)

# The Debian package: everything in one .deb; Depends from the libraries the binaries link
# (dpkg-shlibdeps), so it names the Qt, libpng and giflib runtime packages it needs. Only with
# VYR_DEB (on by default for the top-level project): CPack writes its configuration into the
# top-level build folder, which a parent project owns.
if(NOT VYR_DEB)
  return()
endif()
set(CPACK_PACKAGE_NAME vyrcomponents)
set(CPACK_PACKAGE_VENDOR "VyrComponents")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LED dot-matrix display control for C++ and Qt 6, with its Qt Designer plugin")
set(CPACK_PACKAGE_CONTACT "VyrComponents developers <dev@vyrcomponents.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)
