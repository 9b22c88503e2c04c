# Installation: libraries, headers, the package, the tools, the CMake package (with components),
# pkg-config files, the man pages, and the Debian packages made by CPack (VyrDebian.cmake).
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
#   MANDIR/man1/vyrmatrix.1.gz, vyrmatrix-qt.1.gz
#   DATAROOTDIR/doc/<Debian package>/        copyright, changelog.Debian.gz, README
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
set_target_properties(vyr_fonts PROPERTIES EXPORT_NAME fonts)

# include/vyr/fonts goes with the font library (vyr::fonts, always installed).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vyr DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT Development
  PATTERN "qt" EXCLUDE
  PATTERN "quick" EXCLUDE)

install(TARGETS vyr_host EXPORT VyrComponentsTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Library NAMELINK_COMPONENT Development)
install(TARGETS vyr_charset vyr_editmatrix vyr_fonts EXPORT VyrComponentsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(TARGETS vyr_headless EXPORT VyrComponentsHeadlessTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)

install(EXPORT VyrComponentsTargets NAMESPACE vyr:: DESTINATION ${VYR_CMAKE_INSTALL_DIR}
  COMPONENT Development)
install(EXPORT VyrComponentsHeadlessTargets NAMESPACE vyr:: DESTINATION ${VYR_CMAKE_INSTALL_DIR}
  COMPONENT Development)

if(VYR_BUILD_QT)
  # The Qt backend (vyr::qt_backend) and the widgets above it (vyr::qt, with vyr::QEditMatrix):
  # component Qt of the CMake package, found with Qt's own package (Qt6 Widgets) by the config.
  set_target_properties(vyr_qt_backend PROPERTIES EXPORT_NAME qt_backend)
  set_target_properties(vyr_qt PROPERTIES EXPORT_NAME qt)
  set_target_properties(vyr_qt_fonts PROPERTIES EXPORT_NAME qt_fonts)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/vyr/qt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vyr
    COMPONENT Development)
  install(TARGETS vyr_qt_backend vyr_qt_fonts vyr_qt EXPORT VyrComponentsQtTargets
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
  install(TARGETS vyrmatrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Tools)
  vyr_install_rpath(vyrmatrix ${CMAKE_INSTALL_BINDIR})
endif()

if(VYR_BUILD_TOOLS AND VYR_BUILD_QT)
  install(TARGETS vyrmatrix-qt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Tools)
  vyr_install_rpath(vyrmatrix-qt ${CMAKE_INSTALL_BINDIR})
endif()

# The tools' manual pages, made from their --help.
include(${CMAKE_CURRENT_LIST_DIR}/VyrManPages.cmake)

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
vyr_pkg_config(vyrcomponents-fonts)
if(VYR_BUILD_QT)
  vyr_pkg_config(vyrcomponents-qt)
endif()

# The Debian packages (CPack), one per install component, with their documentation. Only with
# VYR_DEB (on by default for the top-level project): CPack writes its configuration into the
# top-level build folder, which a parent project owns.
if(VYR_DEB)
  include(${CMAKE_CURRENT_LIST_DIR}/VyrDebian.cmake)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)
endif()
