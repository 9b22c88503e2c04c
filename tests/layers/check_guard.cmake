# Configures the probe project once per case and checks the layer guard's verdict: a clean
# layout configures, every broken rule stops the configuration with its message.
#   cmake -DVYR_LAYERS=<VyrLayers.cmake> -DPROBE=<probe dir> -DWORK=<scratch dir> -P check_guard.cmake
cmake_policy(SET CMP0007 NEW)
set(_cases
  "clean|"
  "backend_links_component|backend backend must not link a component (editmatrix)"
  "backend_links_component_through_a_helper|backend backend must not link a component (charset)"
  "backend_includes_component|backend backend must not include a component header"
  "backend_includes_umbrella|backend backend must not include a component header"
  "backend_includes_widget|backend backend must not include a component header"
  "backend_links_backend|backend backend must not link another backend (other_backend)"
  "backend_links_forbidden_library|backend backend must not link Qt6::Widgets"
  "component_links_gui_library|must not link a backend or GUI library (Qt6::Widgets)"
  "component_links_backend|editmatrix must not link a backend or GUI library (backend)"
  "unmarked_backend_links_component|backend extra_backend must not link a component (charset)"
)
set(_failures 0)
foreach(_row IN LISTS _cases)
  string(REPLACE "|" ";" _row "${_row}")
  list(GET _row 0 _case)
  list(LENGTH _row _n)
  set(_expected "")
  if(_n GREATER 1)
    list(GET _row 1 _expected)
  endif()
  file(REMOVE_RECURSE ${WORK}/${_case})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${PROBE} -B ${WORK}/${_case} -DVYR_LAYERS=${VYR_LAYERS} -DCASE=${_case}
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  string(REPLACE "\n" " " _flat "${_err}")
  string(REGEX REPLACE " +" " " _flat "${_flat}")
  if(_expected STREQUAL "")
    if(NOT _rc EQUAL 0)
      message(SEND_ERROR "${_case}: the guard refused a clean layout:\n${_err}")
      math(EXPR _failures "${_failures} + 1")
    endif()
  else()
    string(FIND "${_flat}" "${_expected}" _at)
    if(_rc EQUAL 0 OR _at EQUAL -1)
      message(SEND_ERROR "${_case}: expected a refusal with '${_expected}', got exit ${_rc}:\n${_err}")
      math(EXPR _failures "${_failures} + 1")
    endif()
  endif()
endforeach()
list(LENGTH _cases _total)
math(EXPR _passed "${_total} - ${_failures}")
message("layer guard: ${_passed} passed, ${_failures} failed")
