# The layer guard. Each layer sees only the layers below it:
#   - a component (TEditMatrix, TCharSet) sees only the host interface: it links no backend and no
#     GUI library;
#   - a backend (the headless one, the Qt Widgets one, ...) implements the host's widget set and
#     window peers: it links no component and includes no component header.
# Folders mark their targets with vyr_component() and vyr_backend(); vyr_check_layers() runs once
# all folders are read and stops the configuration on the first target that breaks a rule. Links
# are followed through every target they reach (a backend that links a helper library that links
# a component breaks the rule as well).

# Headers of the component layer, as a program includes them: the top-level headers of vyr/
# (EditMatrix.h, CharSet.h, the umbrella Vyr.h, ...) and the widgets that own a component.
set(VYR_COMPONENT_HEADER_REGEX [=[#[ 	]*include[ 	]*[<"]vyr/([A-Za-z0-9_]+|qt/QEditMatrix|qt/QCharSet)\.h[>"]]=])
# Libraries a component must not reach: the window systems and GUI toolkits.
set(VYR_GUI_LIBRARY_REGEX "Qt|gtk|X11|xcb|wayland|SDL")

function(vyr_component)
  set_property(GLOBAL APPEND PROPERTY VYR_COMPONENT_TARGETS ${ARGN})
endfunction()

function(vyr_backend)
  set_property(GLOBAL APPEND PROPERTY VYR_BACKEND_TARGETS ${ARGN})
endfunction()

# The real name of a target (through an alias), or the item unchanged.
function(_vyr_real_name ITEM OUT)
  set(_name ${ITEM})
  if(TARGET ${ITEM})
    get_target_property(_aliased ${ITEM} ALIASED_TARGET)
    if(_aliased)
      set(_name ${_aliased})
    endif()
  endif()
  set(${OUT} ${_name} PARENT_SCOPE)
endfunction()

# Every library TARGET reaches through its links, private and public, itself excluded. Generator
# expressions that only say where an item is used ($<BUILD_INTERFACE:x>, $<LINK_ONLY:x>) are
# looked through; other ones depend on the build and are skipped.
function(_vyr_link_closure TARGET OUT)
  _vyr_real_name(${TARGET} _start)
  set(_seen ${_start})
  set(_queue ${_start})
  while(_queue)
    list(POP_FRONT _queue _t)
    if(NOT TARGET ${_t})
      continue()
    endif()
    set(_links "")
    get_target_property(_type ${_t} TYPE)
    if(NOT _type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(_direct ${_t} LINK_LIBRARIES)
      if(_direct)
        list(APPEND _links ${_direct})
      endif()
    endif()
    get_target_property(_interface ${_t} INTERFACE_LINK_LIBRARIES)
    if(_interface)
      list(APPEND _links ${_interface})
    endif()
    foreach(_item IN LISTS _links)
      string(REGEX REPLACE "^\\$<(BUILD_INTERFACE|LINK_ONLY):(.*)>$" "\\2" _item "${_item}")
      if(_item MATCHES "^\\$<" OR _item STREQUAL "")
        continue()
      endif()
      _vyr_real_name(${_item} _item)
      if(NOT _item IN_LIST _seen)
        list(APPEND _seen ${_item})
        list(APPEND _queue ${_item})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_ITEM _seen ${_start})
  set(${OUT} ${_seen} PARENT_SCOPE)
endfunction()

function(vyr_check_layers)
  get_property(_components GLOBAL PROPERTY VYR_COMPONENT_TARGETS)
  get_property(_backends GLOBAL PROPERTY VYR_BACKEND_TARGETS)
  foreach(_target IN LISTS _components)
    _vyr_link_closure(${_target} _reached)
    foreach(_lib IN LISTS _reached)
      if(_lib IN_LIST _backends OR _lib MATCHES "headless|${VYR_GUI_LIBRARY_REGEX}")
        message(FATAL_ERROR "${_target} must not link a backend or GUI library (${_lib})")
      endif()
    endforeach()
  endforeach()
  foreach(_target IN LISTS _backends)
    _vyr_link_closure(${_target} _reached)
    foreach(_lib IN LISTS _reached)
      if(_lib IN_LIST _components)
        message(FATAL_ERROR "backend ${_target} must not link a component (${_lib})")
      endif()
    endforeach()
    get_target_property(_sources ${_target} SOURCES)
    get_target_property(_dir ${_target} SOURCE_DIR)
    foreach(_source IN LISTS _sources)
      if(_source MATCHES "^\\$<")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH _source BASE_DIRECTORY ${_dir})
      if(NOT EXISTS ${_source})
        continue()
      endif()
      file(STRINGS ${_source} _includes REGEX "${VYR_COMPONENT_HEADER_REGEX}")
      if(_includes)
        list(GET _includes 0 _first)
        message(FATAL_ERROR "backend ${_target} must not include a component header: ${_source}: ${_first}")
      endif()
    endforeach()
  endforeach()
endfunction()
