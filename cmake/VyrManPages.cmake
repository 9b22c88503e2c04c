# The tools' manual pages, made by help2man from each tool's own --help (which for vyrmatrix is
# the whole reference), compressed as Debian installs man pages (gzip -9n: no name or time
# stamp, so the file is the same on every build). Installed with the tools (component Tools).
# help2man is needed only for the pages: without it the rest builds and installs (the Debian
# package check then misses the pages).
find_program(VYR_HELP2MAN help2man)
find_program(VYR_GZIP gzip)
if(NOT VYR_HELP2MAN OR NOT VYR_GZIP)
  message(STATUS "help2man or gzip not found: no manual pages")
  return()
endif()

# vyr_man_page(TOOL NAME_LINE): TOOL.1.gz in the build tree's man/ folder, built with TOOL.
function(vyr_man_page TOOL NAME_LINE)
  set(_page ${PROJECT_BINARY_DIR}/man/${TOOL}.1)
  add_custom_command(OUTPUT ${_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    # vyrmatrix-qt reads its command line before Qt starts: --help needs no display.
    COMMAND ${VYR_HELP2MAN} --no-info --no-discard-stderr --name ${NAME_LINE} --output ${_page}
            $<TARGET_FILE:${TOOL}>
    COMMAND ${VYR_GZIP} -9nf ${_page}
    DEPENDS ${TOOL}
    COMMENT "Writing the ${TOOL} man page"
    VERBATIM)
  add_custom_target(${TOOL}_man ALL DEPENDS ${_page}.gz)
  install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Tools)
endfunction()

if(VYR_BUILD_TOOLS)
  vyr_man_page(vyrmatrix "the TEditMatrix LED display control on the command line")
endif()
if(VYR_BUILD_TOOLS AND VYR_BUILD_QT)
  vyr_man_page(vyrmatrix-qt "the TEditMatrix LED display in a Qt window, with a live property panel")
endif()
