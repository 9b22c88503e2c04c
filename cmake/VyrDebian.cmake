# The Debian packages, made by CPack from the install components, split as Debian splits a
# library with tools and a plugin:
#   component    package                  holds
#   Library      libvyrhost1              libvyrhost.so.1, the host library (named after its SONAME)
#   Runtime      vyrcomponents            VyrComponents.bpl and its resource module, the README
#   Tools        vyrcomponents-tools      vyrmatrix, vyrmatrix-qt and their manual pages
#   Designer     vyrcomponents-designer   the Qt Designer plugin
#   Development  libvyrcomponents-dev     headers, static libraries, libvyrhost.so, CMake and
#                                         pkg-config files
#   Documentation vyrcomponents-doc       the API reference: HTML and the Qt help file (.qch)
#                                         (with VYR_BUILD_DOCS)
# and a -dbgsym package (.ddeb) with the debug symbols of each package that holds binaries, which
# are stripped. Each package has its copyright file (DEP-5) and Debian changelog in
# /usr/share/doc/<package>/, and the lintian overrides it needs, each with its reason.
# Depends: the libraries the binaries link (dpkg-shlibdeps, so Qt, libpng and giflib by their
# runtime packages) and, between these packages, the exact version.
set(VYR_DEB_RELEASE 1)
set(VYR_DEB_VERSION ${PROJECT_VERSION}-${VYR_DEB_RELEASE})

set(VYR_DEB_COMPONENTS Library Runtime Development)
set(VYR_DEB_PACKAGE_Library libvyrhost1)
set(VYR_DEB_PACKAGE_Runtime vyrcomponents)
set(VYR_DEB_PACKAGE_Development libvyrcomponents-dev)
if(VYR_BUILD_TOOLS)
  list(APPEND VYR_DEB_COMPONENTS Tools)
  set(VYR_DEB_PACKAGE_Tools vyrcomponents-tools)
endif()
if(VYR_BUILD_DESIGNER AND VYR_BUILD_QT AND VYR_BUILD_PACKAGE)
  list(APPEND VYR_DEB_COMPONENTS Designer)
  set(VYR_DEB_PACKAGE_Designer vyrcomponents-designer)
endif()
if(VYR_BUILD_DOCS)
  list(APPEND VYR_DEB_COMPONENTS Documentation)
  set(VYR_DEB_PACKAGE_Documentation vyrcomponents-doc)
endif()

# The Debian changelog, compressed as Debian installs it (no name or time stamp in the .gz).
set(_changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(vyr_debian_changelog ALL DEPENDS ${_changelog})

foreach(_component IN LISTS VYR_DEB_COMPONENTS)
  set(_package ${VYR_DEB_PACKAGE_${_component}})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${_changelog}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${_package} COMPONENT ${_component})
  # lintian overrides, each with its reason: those of every package, then the package's own
  # (packaging/debian/<package>.lintian-overrides).
  string(CONCAT _overrides "# These packages are built from their own source, not uploaded to Debian:\n"
    "# there is no ITP bug for the first changelog entry to close.\n"
    "${_package}: initial-upload-closes-no-bugs\n")
  set(_own ${PROJECT_SOURCE_DIR}/packaging/debian/${_package}.lintian-overrides)
  if(EXISTS ${_own})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_own})
    file(READ ${_own} _own_text)
    string(APPEND _overrides "${_own_text}")
  endif()
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/debian/${_package}/lintian-overrides CONTENT "${_overrides}" @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/${_package}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${_package} COMPONENT ${_component})
endforeach()
# The upstream changelog, under the name Debian gives it.
set(_upstream_changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${_upstream_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/debian/changelog
  COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/debian/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  COMMENT "Compressing the upstream changelog"
  VERBATIM)
add_custom_target(vyr_upstream_changelog ALL DEPENDS ${_upstream_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${_upstream_changelog}
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vyrcomponents COMPONENT Runtime)

set(CPACK_PACKAGE_NAME vyrcomponents)
set(CPACK_PACKAGE_VENDOR "VyrComponents")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VyrComponents developers <dev@vyrcomponents.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VYR_DEB_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VYR_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vyrcomponents.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libvyrhost.so.1 comes from the sibling package libvyrhost1, which is not installed while
# packaging: dpkg-shlibdeps finds it in the build tree, and the exact Depends below name it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libvyrhost1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The shlibs file, by which packages built against libvyrhost.so.1 depend on this package, and
# the ldconfig trigger. Written here rather than by CPack's GENERATE_SHLIBS, which applies to
# every package and so also reads the plugins loaded by path (the component package, its
# resource module, the Designer plugin), which rightly have no versioned SONAME.
file(WRITE ${PROJECT_BINARY_DIR}/debian/libvyrhost1/shlibs
  "libvyrhost ${PROJECT_VERSION_MAJOR} libvyrhost1 (>= ${VYR_DEB_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/debian/libvyrhost1/triggers "activate-noawait ldconfig\n")
# The trigger runs ldconfig; CPack would also call it from maintainer scripts of its own unless
# the package brings its own, which have nothing else to do.
foreach(_script postinst postrm)
  file(WRITE ${PROJECT_BINARY_DIR}/debian/libvyrhost1/${_script}
    "#!/bin/sh\n# ldconfig runs from the package's trigger.\nset -e\nexit 0\n")
endforeach()
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/debian/libvyrhost1/shlibs ${PROJECT_BINARY_DIR}/debian/libvyrhost1/triggers
  ${PROJECT_BINARY_DIR}/debian/libvyrhost1/postinst ${PROJECT_BINARY_DIR}/debian/libvyrhost1/postrm)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "host component library of the VyrComponents LED display control
The host library runs the VyrComponents components: their class registry
and streaming, the component package loader, forms, controls and
graphics, threads and the message loop, with a backend that shows them
(headless or Qt 6).
.
This package holds the shared library libvyrhost.so.1.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME vyrcomponents)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libvyrhost1 (= ${VYR_DEB_VERSION})")
if(VYR_BUILD_QUICK)
  # The QML module Vyr.Components imports QtQuick: its QML module package, which no library
  # dependency brings.
  string(APPEND CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS ", qml6-module-qtquick")
endif()
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "LED dot-matrix display control TEditMatrix, as a component package
TEditMatrix shows a line of 8-bit text as 5 x 7 LED characters (square
or round LEDs, any colours, sizes and spacing), edits it from the
keyboard, or runs it as a scrolling marquee with in-text control codes
for colours, blinking, LED shape, size, spacing, speed and halting.
.
This package holds the component package VyrComponents.bpl (TEditMatrix
and TCharSet) and its Danish resource module, which the tools and the Qt
Designer plugin load.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vyrcomponents-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "vyrcomponents (= ${VYR_DEB_VERSION}), libvyrhost1 (= ${VYR_DEB_VERSION})")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "command-line and Qt tools for the TEditMatrix LED display control
vyrmatrix runs TEditMatrix on a headless host: it renders pictures and
JSON state from scripted keys and property settings, plays the marquee
or edits the text in the terminal, records the marquee as an animated
GIF and lists the component package. vyrmatrix-qt shows the control in a
Qt window beside a line edit, with a panel that changes every published
property live.")

set(CPACK_DEBIAN_DESIGNER_PACKAGE_NAME vyrcomponents-designer)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_DESIGNER_PACKAGE_DEPENDS "vyrcomponents (= ${VYR_DEB_VERSION}), libvyrhost1 (= ${VYR_DEB_VERSION})")
set(CPACK_DEBIAN_DESIGNER_PACKAGE_ENHANCES "designer-qt6")
set(CPACK_COMPONENT_DESIGNER_DESCRIPTION "Qt Designer plugin for the TEditMatrix LED display control
The plugin offers TEditMatrix (vyr::QEditMatrix) and TCharSet
(vyr::QCharSet) in Qt Designer's widget box, in the group Vyr-
Components, so that forms can use them and uic writes the code for them.
Applications that load forms with QUiLoader find the widgets through it
too.")

set(CPACK_DEBIAN_DOCUMENTATION_PACKAGE_NAME vyrcomponents-doc)
set(CPACK_DEBIAN_DOCUMENTATION_PACKAGE_SECTION doc)
set(CPACK_DEBIAN_DOCUMENTATION_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DOCUMENTATION_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DOCUMENTATION_DESCRIPTION "API reference of the TEditMatrix LED display control
The reference of every public class, property and function of the
VyrComponents headers (the control TEditMatrix, TCharSet, the host
component library, the headless and Qt 6 backends and the widget
vyr::QEditMatrix), as HTML and as the Qt help file vyrcomponents.qch,
which Qt Assistant and Qt Creator open.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvyrcomponents-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# vyr::fonts is a static library over FreeType and zlib: a program linking it needs both.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libvyrhost1 (= ${VYR_DEB_VERSION}), libfreetype-dev, zlib1g-dev")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_RECOMMENDS "qt6-base-dev, vyrcomponents (= ${VYR_DEB_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "development files for the TEditMatrix LED display control
The headers, the static libraries of the control, TCharSet, the
registration and the backends (headless and Qt 6, with the widget
vyr::QEditMatrix), the link to the host library, the CMake package
VyrComponents (components Headless and Qt) and the pkg-config files
vyrcomponents-headless and vyrcomponents-qt.")

include(CPack)
